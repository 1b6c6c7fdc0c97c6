#include <fstream>
#include <iterator>

#include "kavro/picture.hpp"

namespace kavro {
namespace {

// BMP file layout (little-endian): a 14-byte file header ("BM", file size, two reserved words,
// offset of the pixel rows), then an information header that starts with its own size.
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kCoreHeaderSize = 12;  // 16-bit width and height
constexpr std::size_t kInfoHeaderSize = 40;  // 32-bit signed width and height, compression

enum Compression : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kAlphaBitFields = 6
};

std::uint32_t u16(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8;
}
std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at) {
    return u16(b, at) | u16(b, at + 2) << 16;
}

[[noreturn]] void notABitmap(const std::string& why) {
    throw PictureError("not a bitmap: " + why);
}

}  // namespace

BmpInfo parseBmp(std::span<const std::uint8_t> file) {
    if (file.size() < kFileHeaderSize + kCoreHeaderSize || file[0] != 'B' || file[1] != 'M') {
        notABitmap("no BM header");
    }
    const std::uint32_t rowsAt = u32(file, 10);
    const std::uint32_t headerSize = u32(file, 14);
    if (headerSize != kCoreHeaderSize && headerSize < kInfoHeaderSize) notABitmap("unknown header");
    if (file.size() < kFileHeaderSize + headerSize) notABitmap("header cut short");

    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t planes = 0;
    std::uint32_t bits = 0;
    std::uint32_t compression = kRgb;
    if (headerSize == kCoreHeaderSize) {
        width = u16(file, 18);
        height = u16(file, 20);
        planes = u16(file, 22);
        bits = u16(file, 24);
    } else {
        width = static_cast<std::int32_t>(u32(file, 18));
        height = static_cast<std::int32_t>(u32(file, 22));
        planes = u16(file, 26);
        bits = u16(file, 28);
        compression = u32(file, 30);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height == 0 || planes != 1) notABitmap("bad size or planes");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        notABitmap("bad bits per pixel");
    }
    const bool rle = (compression == kRle8 && bits == 8) || (compression == kRle4 && bits == 4);
    const bool plain =
        compression == kRgb || ((compression == kBitFields || compression == kAlphaBitFields) &&
                                (bits == 16 || bits == 32));
    if (!(rle && !topDown) && !plain) notABitmap("unsupported compression");
    if (rowsAt < kFileHeaderSize + headerSize || rowsAt > file.size()) notABitmap("bad row offset");

    // Rows are padded to whole 32-bit words; compressed rows only need to be there at all.
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    const std::uint64_t pixelBytes = rle ? 1 : rowBytes * static_cast<std::uint64_t>(height);
    if (pixelBytes > file.size() - rowsAt) notABitmap("pixel rows cut short");

    BmpInfo info;
    info.width = static_cast<std::int32_t>(width);
    info.height = static_cast<std::int32_t>(height);
    info.bitsPerPixel = static_cast<std::uint16_t>(bits);
    return info;
}

void BmpPicture::loadFromFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw PictureError("cannot open " + path);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
    if (in.bad()) throw PictureError("cannot read " + path);
    const BmpInfo info = parseBmp(bytes);
    // Only a complete, valid file replaces what the picture held.
    bytes_ = std::move(bytes);
    info_ = info;
}

}  // namespace kavro
