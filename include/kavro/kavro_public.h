/* Kavro_Public: the C interface of the video-surveillance system's shared utility library.
 *
 * Every function is one synchronous call on the caller's thread that works only on what it is
 * given; the library keeps no state between calls. Strings are counted kavro_string objects
 * (see kavro/c/base.h), tables are kavro_recordset objects, serial ports are handles the caller
 * opened. */
#ifndef KAVRO_PUBLIC_H
#define KAVRO_PUBLIC_H

#include "kavro/c/base.h"
#include "kavro/c/files.h"
#include "kavro/c/host.h"
#include "kavro/c/log.h"
#include "kavro/c/ptz.h"
#include "kavro/c/recordset_ops.h"
#include "kavro/c/serial.h"
#include "kavro/c/ui.h"

#endif /* KAVRO_PUBLIC_H */
