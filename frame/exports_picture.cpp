// The C API for pictures: the BMP pictures a host's image controls show.
#include <new>

#include "frame/c_boundary.hpp"
#include "frame/picture_handle.hpp"

kavro_picture* KAVRO_CALL kavro_picture_new(void) {
    return new (std::nothrow) kavro_picture{};
}

void KAVRO_CALL kavro_picture_free(kavro_picture* picture) {
    delete picture;
}

int32_t KAVRO_CALL kavro_picture_width(const kavro_picture* picture) {
    return picture == nullptr || picture->picture.empty() ? 0 : picture->picture.info().width;
}

int32_t KAVRO_CALL kavro_picture_height(const kavro_picture* picture) {
    return picture == nullptr || picture->picture.empty() ? 0 : picture->picture.info().height;
}

int32_t KAVRO_CALL kavro_picture_bits_per_pixel(const kavro_picture* picture) {
    return picture == nullptr || picture->picture.empty() ? 0
                                                          : picture->picture.info().bitsPerPixel;
}

const unsigned char* KAVRO_CALL kavro_picture_bytes(const kavro_picture* picture, size_t* size) {
    const bool empty = picture == nullptr || picture->picture.empty();
    if (size != nullptr) *size = empty ? 0 : picture->picture.bytes().size();
    return empty ? nullptr : picture->picture.bytes().data();
}
