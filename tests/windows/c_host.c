/* A Windows host in plain C, as the system's applications use the library: linked against
 * Kavro_Public.lib, a COM port opened with CreateFileA and handed to the serial and command
 * exports, strings and a record set through the C API. The COM port is the test one, mapped to
 * the pty harness, which reports the bytes that came out and the line's settings. */
#include <windows.h>

#include <kavro/kavro_public.h>
#include <stdio.h>
#include <string.h>

#include "pty_link.h"

static int failures = 0;

#define CHECK(cond)                                                                  \
    do {                                                                             \
        if (!(cond)) {                                                               \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            ++failures;                                                              \
        }                                                                            \
    } while (0)

/* The next bytes out of the pty equal `want`. */
static int arrived(const unsigned char* want, size_t length) {
    unsigned char got[64];
    const long n = pty_link_bytes(length, got, sizeof got);
    return n == (long)length && memcmp(got, want, length) == 0;
}

/* A Linux pty keeps CMSPAR and PARODD but clears PARENB: mark is both, space CMSPAR alone, odd
 * PARODD alone. */
static int parity_is(int cmspar, int parodd) {
    pty_mode mode;
    return pty_link_mode(&mode) == 0 && mode.cmspar == cmspar && mode.parodd == parodd;
}

static void test_serial(HANDLE port) {
    static const unsigned char pelco_up[] = {0xFF, 0x05, 0x00, 0x08, 0x00, 0x20, 0x2D};
    static const unsigned char mark_byte[] = {0x5A};
    static const unsigned char odd_byte[] = {0x03};
    kavro_decoder_line_settings decoder;
    kavro_recordset* table;
    kavro_string* up = kavro_string_from_cstr("Up");
    uint8_t busy = 0;
    pty_mode mode;
    unsigned char stale[256];

    pty_link_bytes(0, stale, sizeof stale); /* whatever an earlier test left on the line */
    memset(&decoder, 0xEE, sizeof decoder); /* host fields the library must not read */
    decoder.baud_rate = 19200;
    decoder.data_bits = 8;
    decoder.stop_bits = 2;
    decoder.parity = kavro_string_from_cstr("N");
    CHECK(_SetDecoderComState(port, &decoder) != 0);
    CHECK(pty_link_mode(&mode) == 0 && mode.baud == 19200 && mode.cstopb == 1 && mode.cmspar == 0 &&
          mode.parodd == 0);
    CHECK(kavro_string_ref_count(decoder.parity) == 1);
    kavro_string_release(decoder.parity);

    table = kavro_sqlite_table_open(KAVRO_DEFAULT_TABLE, "Protocol", 1);
    CHECK(table != NULL);
    _WriteCommandToDecoder(port, &busy, 7, table, 5, up);
    CHECK(arrived(pelco_up, sizeof pelco_up));
    CHECK(busy == 0);
    CHECK(kavro_string_ref_count(up) == 1);
    kavro_recordset_close(table);
    kavro_string_release(up);

    CHECK(_WriteByte_ParityToComm(port, 0x5A, 3) != 0); /* mark */
    CHECK(arrived(mark_byte, 1));
    CHECK(parity_is(1, 1));
    CHECK(_SetComParity(port, 4) != 0); /* space */
    CHECK(parity_is(1, 0));
    CHECK(_WriteByte_ParityToComm_Manual(port, 0x03, 1) != 0); /* two 1-bits, want 1: odd */
    CHECK(arrived(odd_byte, 1));
    CHECK(parity_is(0, 1));

    CHECK(_SetComParity(INVALID_HANDLE_VALUE, 0) == 0);
    CHECK(_WriteByte_ParityToComm(INVALID_HANDLE_VALUE, 1, 0) == 0);
}

static void test_strings_and_host(void) {
    kavro_string* result = NULL;
    kavro_string* text = kavro_string_from_cstr(" a b ");
    kavro_string* loopback = kavro_string_from_cstr("127.0.0.1");
    CHECK(_TrimSpace(&result, text) == &result && strcmp(kavro_string_data(result), "ab") == 0);
    CHECK(kavro_string_ref_count(text) == 1);
    CHECK(_GetComputeName(&result) == &result && kavro_string_length(result) > 0);
    CHECK(_GetHostIP(&result, loopback) == &result &&
          strcmp(kavro_string_data(result), "127.0.0.1") == 0);
    CHECK(_GetIPAdress(&result) == &result && result == NULL);
    CHECK(_TestRectContain_Joint(0, 0, 10, 10, 10, 10, 20, 20));
    CHECK(!_TestRectsJointed(10, 10, 20, 20, 0, 0, 30, 30));
    kavro_string_release(text);
    kavro_string_release(loopback);
    kavro_string_release(result);
}

int main(void) {
    const char* why = "";
    HANDLE port;
    test_strings_and_host();
    port = pty_link_open_port(&why);
    if (port == NULL) {
        fprintf(stderr, "c_host: %s\n", why);
        return 1;
    }
    test_serial(port);
    CloseHandle(port);
    pty_link_close();
    if (failures != 0) fprintf(stderr, "%d checks failed\n", failures);
    return failures == 0 ? 0 : 1;
}
