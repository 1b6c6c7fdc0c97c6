/* Appends COUNT operator-log rows through the C export, one call (one transaction) each, as a
 * host logging events one by one: for timing against the sqlite3 shell. */
#include <kavro/kavro_public.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: %s DATABASE TABLE COUNT\n", argv[0]);
        return 2;
    }
    const long count = strtol(argv[3], NULL, 10);
    kavro_recordset* table = kavro_sqlite_table_open(argv[1], argv[2], 0);
    if (table == NULL) {
        fprintf(stderr, "%s\n", kavro_last_error_message());
        return 1;
    }
    kavro_string* action = kavro_string_from_cstr("Camera 4 pan left");
    long failed = 0;
    for (long i = 0; i < count; ++i) {
        if (!_InsertIntoLog(table, 7, 2, action)) ++failed;
    }
    kavro_string_release(action);
    kavro_recordset_close(table);
    if (failed != 0) fprintf(stderr, "%ld rows refused\n", failed);
    return failed == 0 ? 0 : 1;
}
