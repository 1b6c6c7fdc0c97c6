/* The C interface as a C host uses it: counted strings, a SQLite table as a record set, the
 * decoder export on a pseudo-terminal, the last-error channel. */
#include <kavro/kavro_public.h>

#include "log_files_abi.h"

#include <fcntl.h>
#include <pty.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

static int failures = 0;

#define CHECK(cond)                                                         \
    do {                                                                    \
        if (!(cond)) {                                                      \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            ++failures;                                                     \
        }                                                                   \
    } while (0)

int main(void) {
    failures += kavro_c_abi_log_tests();
    return failures == 0 ? 0 : 1;
}
