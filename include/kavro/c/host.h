/* Computer name, addresses, system information, starting and closing programs. */
#ifndef KAVRO_C_HOST_H
#define KAVRO_C_HOST_H

#include "kavro/c/base.h"

#endif /* KAVRO_C_HOST_H */
