/* Message boxes, rectangle tests, up/down pictures and text helpers. */
#ifndef KAVRO_C_UI_H
#define KAVRO_C_UI_H

#include "kavro/c/base.h"

#endif /* KAVRO_C_UI_H */
