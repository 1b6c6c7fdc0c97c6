// The picture behind a kavro_picture handle.
#pragma once

#include "kavro/picture.hpp"

struct kavro_picture {
    kavro::BmpPicture picture;
};
