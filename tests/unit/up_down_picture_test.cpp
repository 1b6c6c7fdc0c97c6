#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "kavro/message_box.hpp"
#include "kavro/picture.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& b, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        b.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

struct BmpLayout {
    std::int32_t width = 2;
    std::int32_t height = 2;
    std::uint16_t bits = 24;
    std::uint32_t headerSize = 40;
    std::uint32_t compression = 0;
    std::uint16_t planes = 1;
    std::size_t cutShort = 0;  // bytes taken off the end
};

// A BMP file: file header, information header, zeroed pixel rows padded to 32 bits.
Bytes makeBmp(const BmpLayout& s) {
    const std::uint32_t rowsAt = 14 + s.headerSize;
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(s.width) * s.bits + 31) / 32 * 4;
    const std::uint64_t rows = static_cast<std::uint64_t>(std::abs(s.height));
    Bytes b{'B', 'M'};
    put(b, static_cast<std::uint32_t>(rowsAt + rowBytes * rows), 4);
    put(b, 0, 4);
    put(b, rowsAt, 4);
    put(b, s.headerSize, 4);
    if (s.headerSize == 12) {
        put(b, static_cast<std::uint32_t>(s.width), 2);
        put(b, static_cast<std::uint32_t>(s.height), 2);
        put(b, s.planes, 2);
        put(b, s.bits, 2);
    } else {
        put(b, static_cast<std::uint32_t>(s.width), 4);
        put(b, static_cast<std::uint32_t>(s.height), 4);
        put(b, s.planes, 2);
        put(b, s.bits, 2);
        put(b, s.compression, 4);
        b.resize(14 + s.headerSize, 0);
    }
    b.resize(b.size() + static_cast<std::size_t>(rowBytes * rows), 0);
    b.resize(b.size() - s.cutShort);
    return b;
}

struct ParseCase {
    const char* name;
    BmpLayout layout;
    bool valid;
};

class ParseBmp : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseBmp, AcceptsWholeBitmapsOnly) {
    const Bytes file = makeBmp(GetParam().layout);
    if (GetParam().valid) {
        const BmpInfo info = parseBmp(file);
        EXPECT_EQ(info.width, GetParam().layout.width);
        EXPECT_EQ(info.height, std::abs(GetParam().layout.height));
        EXPECT_EQ(info.bitsPerPixel, GetParam().layout.bits);
    } else {
        EXPECT_THROW(parseBmp(file), PictureError);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, ParseBmp,
    testing::Values(ParseCase{"TrueColour", {}, true},
                    ParseCase{"OneBitOddWidth", {.width = 13, .height = 3, .bits = 1}, true},
                    ParseCase{"TopDown", {.height = -4, .bits = 32}, true},
                    ParseCase{"CoreHeader", {.headerSize = 12}, true},
                    ParseCase{"V5Header", {.bits = 32, .headerSize = 124, .compression = 3}, true},
                    ParseCase{"RowsCutShort", {.cutShort = 1}, false},
                    ParseCase{"ZeroWidth", {.width = 0}, false},
                    ParseCase{"ZeroHeight", {.height = 0}, false},
                    ParseCase{"BadBitsPerPixel", {.bits = 12}, false},
                    ParseCase{"TwoPlanes", {.planes = 2}, false},
                    ParseCase{"UnknownHeader", {.headerSize = 20}, false},
                    ParseCase{"EmbeddedJpeg", {.compression = 4}, false},
                    ParseCase{"TopDownRle", {.height = -2, .bits = 8, .compression = 1}, false}),
    [](const auto& c) { return c.param.name; });

TEST(Pictures, HeadersOnlyOrForeignFilesAreRefused) {
    EXPECT_THROW(parseBmp(Bytes{}), PictureError);
    EXPECT_THROW(parseBmp(Bytes{'B', 'M'}), PictureError);
    const std::string png = "\x89PNG\r\n\x1A\n and so on, long enough for a header";
    EXPECT_THROW(parseBmp(Bytes(png.begin(), png.end())), PictureError);
    Bytes offsetPastEnd = makeBmp({});
    offsetPastEnd[10] = 0xFF;
    EXPECT_THROW(parseBmp(offsetPastEnd), PictureError);
}

TEST(Pictures, FileNameDropsTheTypePrefixAndAddsNoSeparator) {
    EXPECT_EQ(upDownPictureFile("C:\\Images\\", "BtnZoomIn", true), "C:\\Images\\ZoomInUp.bmp");
    EXPECT_EQ(upDownPictureFile("C:\\Images\\", "BtnZoomIn", false), "C:\\Images\\ZoomInDown.bmp");
    EXPECT_EQ(upDownPictureFile("/pics", "ImgIris", true), "/picsIrisUp.bmp");
    EXPECT_EQ(upDownPictureFile("/pics/", "Btn", true), "/pics/Up.bmp");
    EXPECT_EQ(upDownPictureFile("/pics/", "Ab", false), "/pics/Down.bmp");
    EXPECT_EQ(upDownPictureFile("", "", true), "Up.bmp");
}

class FakeControl : public ImageControl {
  public:
    explicit FakeControl(std::string name) : name_(std::move(name)) {}
    std::string componentName() const override { return name_; }
    Picture& picture() override { return picture_; }
    const BmpPicture& bmp() const { return picture_; }

  private:
    std::string name_;
    BmpPicture picture_;
};

class UpDownPicture : public testing::Test {
  protected:
    UpDownPicture() {
        setMessageBoxPresenter([this](const MessageBoxRequest& request) {
            boxes.push_back(std::string(request.caption) + "|" + std::string(request.text));
            return 1;
        });
    }
    ~UpDownPicture() override { setMessageBoxPresenter({}); }

    void write(const std::string& name, const Bytes& bytes) {
        std::ofstream(dir.file(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    std::string directory() const { return dir.path().string() + "/"; }

    test::TempDir dir;
    std::vector<std::string> boxes;
    const std::string errorBox = "\xB4\xED\xCE\xF3\xA3\xA1|" + std::string(kPictureNotFound);
};

TEST_F(UpDownPicture, LoadsTheUpOrTheDownPicture) {
    write("ZoomInUp.bmp", makeBmp({.width = 3, .height = 5}));
    write("ZoomInDown.bmp", makeBmp({.width = 7, .height = 2}));
    FakeControl control("BtnZoomIn");
    showUpDownPicture(directory(), &control, true);
    EXPECT_EQ(control.bmp().info().width, 3);
    showUpDownPicture(directory(), &control, false);
    EXPECT_EQ(control.bmp().info().width, 7);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(UpDownPicture, FailedLoadShowsTheErrorBoxOnceAndKeepsThePicture) {
    write("IrisUp.bmp", makeBmp({.width = 4, .height = 4}));
    write("IrisDown.bmp", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'});
    FakeControl control("ImgIris");
    showUpDownPicture(directory(), &control, true);
    const Bytes shown = control.bmp().bytes();

    showUpDownPicture(directory(), &control, false);  // not a bitmap
    EXPECT_EQ(boxes, std::vector<std::string>{errorBox});
    EXPECT_EQ(control.bmp().bytes(), shown);

    boxes.clear();
    showUpDownPicture(directory() + "missing/", &control, true);  // no such file
    EXPECT_EQ(boxes, std::vector<std::string>{errorBox});
    EXPECT_EQ(control.bmp().bytes(), shown);
}

TEST_F(UpDownPicture, NullControlShowsAndLoadsNothing) {
    showUpDownPicture(directory(), nullptr, true);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(UpDownPicture, ADirectoryIsNoPicture) {
    std::filesystem::create_directory(dir.path() / "PanUp.bmp");
    FakeControl control("BtnPan");
    showUpDownPicture(directory(), &control, true);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(control.bmp().empty());
}

}  // namespace
}  // namespace kavro
