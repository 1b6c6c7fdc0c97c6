/* Purges each directory named through the C export, one call each, as a host purging its
 * recording directories one by one: for timing against find. The keep period of type S is
 * DAYS; the other types are kept for ever. */
#include <kavro/kavro_public.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: %s DAYS DIR...\n", argv[0]);
        return 2;
    }
    unsigned char record[64]; /* the host's keep-period record: S at offset 40 */
    memset(record, 0, sizeof record);
    record[40] = (unsigned char)strtol(argv[1], NULL, 10);
    for (int i = 2; i < argc; ++i) {
        kavro_string* directory = kavro_string_from_cstr(argv[i]);
        _DeleteDirectoryEx(directory, record);
        kavro_string_release(directory);
    }
    return 0;
}
