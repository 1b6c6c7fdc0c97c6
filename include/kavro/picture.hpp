// Image controls and their pictures: what the up/down picture switch needs of a host's screen.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

// A picture file that is missing, cannot be read, or is not a picture of the expected kind.
class PictureError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Picture {
  public:
    virtual ~Picture() = default;
    // Loads the file; raises PictureError when it cannot, and then keeps what it held before.
    virtual void loadFromFile(const std::string& path) = 0;
};

// A host's image control: its component name and the picture it shows.
class ImageControl {
  public:
    virtual ~ImageControl() = default;
    virtual std::string componentName() const = 0;
    virtual Picture& picture() = 0;
};

// What a bitmap file's headers say.
struct BmpInfo {
    std::int32_t width = 0;
    std::int32_t height = 0;  // rows, whichever way they are stored
    std::uint16_t bitsPerPixel = 0;
};

// Checks a whole BMP file: the "BM" signature, a core (12-byte) or an information (40-byte or
// longer) header, one plane, 1/4/8/16/24/32 bits per pixel, no or RLE/bit-field compression,
// and the pixel rows the header promises. Raises PictureError otherwise.
BmpInfo parseBmp(std::span<const std::uint8_t> file);

// A picture that holds one BMP file.
class BmpPicture : public Picture {
  public:
    void loadFromFile(const std::string& path) override;

    bool empty() const { return bytes_.empty(); }
    const BmpInfo& info() const { return info_; }
    // The file as loaded, headers included.
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    BmpInfo info_;
    std::vector<std::uint8_t> bytes_;
};

// The picture file of a control: the directory text, the component name without its first three
// characters (its type prefix, as in "BtnZoomIn"), and "Up.bmp" or "Down.bmp". No separator is
// put in: a directory text ends in one.
std::string upDownPictureFile(std::string_view directory, std::string_view componentName, bool up);

// The error box's text when a picture cannot be loaded: "background picture not found".
inline constexpr std::string_view kPictureNotFound =
    "\xD5\xD2\xB2\xBB\xB5\xBD\xB1\xB3\xBE\xB0\xCD\xBC\xC6\xAC!!";

// Switches the control to its up or down picture. A null control is left alone. When the file
// cannot be loaded the control keeps its picture and the error box (kPictureNotFound) is shown,
// once. Raises nothing the load raises.
void showUpDownPicture(std::string_view directory, ImageControl* control, bool up);

}  // namespace kavro
