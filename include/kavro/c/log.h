/* Event logs, alarm logs, exceptions and name lookup. */
#ifndef KAVRO_C_LOG_H
#define KAVRO_C_LOG_H

#include "kavro/c/base.h"

#endif /* KAVRO_C_LOG_H */
