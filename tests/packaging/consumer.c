/* A program of another project, built against an installed Kavro_Public through pkg-config:
 * sends "Up" to camera 1 in protocol 7 of the installed bundled table, on a pipe standing in
 * for the serial line, and checks the frame that comes out of it. */
#define _POSIX_C_SOURCE 200809L
#include <kavro/kavro_public.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv) {
    static const unsigned char expected[] = {0xFF, 0x01, 0x00, 0x08, 0x00, 0x20, 0x29};
    unsigned char got[sizeof expected];
    int line[2];
    if (argc != 2) {
        fprintf(stderr, "usage: consumer PROTOCOLS.db\n");
        return 2;
    }
    if (pipe(line) != 0) return 1;
    kavro_recordset* table = kavro_sqlite_table_open(argv[1], "Protocol", 1);
    if (table == NULL) {
        fprintf(stderr, "consumer: %s\n", kavro_last_error_message());
        return 1;
    }
    kavro_string* up = kavro_string_from_cstr("Up");
    uint8_t busy = 0;
    _WriteCommandToDecoder(line[1], &busy, 7, table, 1, up);
    kavro_string_release(up);
    kavro_recordset_close(table);
    if (read(line[0], got, sizeof got) != (ssize_t)sizeof got ||
        memcmp(got, expected, sizeof got)) {
        fprintf(stderr, "consumer: the frame on the line is not FF 01 00 08 00 20 29\n");
        return 1;
    }
    printf("C consumer: FF 01 00 08 00 20 29\n");
    return 0;
}
