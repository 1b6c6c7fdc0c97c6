// The C interface from C++, through find_package(KavroPublic): protocol 7 "Up" for camera 1 of
// the installed bundled table, sent on a pipe standing in for the serial line.
#include <kavro/kavro_public.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: consumer_cpp PROTOCOLS.db\n");
        return 2;
    }
    int line[2];
    if (pipe(line) != 0) return 1;
    kavro_recordset* table = kavro_sqlite_table_open(argv[1], "Protocol", 1);
    if (table == nullptr) {
        std::fprintf(stderr, "consumer_cpp: %s\n", kavro_last_error_message());
        return 1;
    }
    kavro_string* up = kavro_string_from_cstr("Up");
    std::uint8_t busy = 0;
    _WriteCommandToDecoder(line[1], &busy, 7, table, 1, up);
    kavro_string_release(up);
    kavro_recordset_close(table);
    const std::array<unsigned char, 7> expected{0xFF, 0x01, 0x00, 0x08, 0x00, 0x20, 0x29};
    std::array<unsigned char, 7> got{};
    if (read(line[0], got.data(), got.size()) != static_cast<ssize_t>(got.size()) ||
        got != expected) {
        std::fprintf(stderr, "consumer_cpp: the frame on the line is not FF 01 00 08 00 20 29\n");
        return 1;
    }
    std::printf("C++ consumer: FF 01 00 08 00 20 29\n");
    return 0;
}
