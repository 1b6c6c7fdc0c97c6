/* Serial line settings and parity-byte writes. */
#ifndef KAVRO_C_SERIAL_H
#define KAVRO_C_SERIAL_H

#include "kavro/c/base.h"

/* The host's decoder line settings record. The library reads the four named fields and nothing
 * else. On 32-bit hosts the offsets are the host's own: baud_rate 16, data_bits 22, stop_bits
 * 24, parity 28. On 64-bit builds parity is a pointer and lies at 32. */
typedef struct kavro_decoder_line_settings {
    unsigned char host_fields[16];
    uint32_t baud_rate; /* bits per second, copied unchanged */
    unsigned char unread_1[2];
    uint8_t data_bits; /* bits per character, copied unchanged */
    unsigned char unread_2;
    int16_t stop_bits; /* 1 one stop bit, 2 two, anything else one and a half */
    unsigned char unread_3[2];
    kavro_string* parity; /* "N", "O", "E", "M"; anything else (also "", "n", "Odd") space */
} kavro_decoder_line_settings;

/* The alarm line record: the same fields with 12 bytes of host fields before them
 * (baud_rate 12, data_bits 18, stop_bits 20, parity 24, on 32- and 64-bit builds). */
typedef struct kavro_alarm_line_settings {
    unsigned char host_fields[12];
    uint32_t baud_rate;
    unsigned char unread_1[2];
    uint8_t data_bits;
    unsigned char unread_2;
    int16_t stop_bits;
    unsigned char unread_3[2];
    kavro_string* parity;
} kavro_alarm_line_settings;

/* Parity codes: 0 none, 1 odd, 2 even, 3 mark, 4 space. */

/* Each reads the port's settings, changes the fields named, writes them back and returns the
 * result of that write: nonzero when the port took them, 0 when it refused (a setting the port
 * cannot do, an invalid handle). Other settings of the port are kept. */
KAVRO_API int KAVRO_CALL _SetDecoderComState(kavro_serial_handle port,
                                             const kavro_decoder_line_settings* settings);
KAVRO_API int KAVRO_CALL _SetAlarmComState(kavro_serial_handle port,
                                           const kavro_alarm_line_settings* settings);
KAVRO_API int KAVRO_CALL _SetComParity(kavro_serial_handle port, uint8_t parity);

/* Set the parity, then write one byte; the result is the write's (nonzero when written). The
 * line keeps that parity afterwards. */
KAVRO_API int KAVRO_CALL _WriteByte_ParityToComm(kavro_serial_handle port, uint8_t byte,
                                                 uint8_t parity);
/* Picks even or odd parity so that the byte goes out with the wanted ninth bit (0 or 1; any
 * other value gives odd parity), then writes it. */
KAVRO_API int KAVRO_CALL _WriteByte_ParityToComm_Manual(kavro_serial_handle port, uint8_t byte,
                                                        uint8_t wanted_bit);

/* ---- Lines the library opens ----------------------------------------------------------
 * Besides the host's own open ports, every export taking a serial handle takes a line that
 * kavro_line_open opened: a local device, or a serial port of a device server on the network,
 *   "tcp://HOST:PORT"       raw TCP: the bytes as they are; the server's port settings are its
 *                           own, so changing them fails ("a raw TCP line cannot change its
 *                           settings"), and so do the writes after such a refused change, until
 *                           the server's settings are written again: a protocol that switches
 *                           to mark or space parity sends nothing rather than wrong bits
 *   "rfc2217://HOST:PORT"   Telnet with the com port option (RFC 2217): settings changes go to
 *                           the server, which must acknowledge each with the value asked
 * with an IPv6 HOST in brackets ("rfc2217://[::1]:2000"). Connecting, each write, and each
 * wait for an acknowledgement have deadlines; a server that refuses, is unknown, or closes the
 * connection fails the call in progress (the encoders then report it through the thread's last
 * error) and every later call on the line. Nothing is retried. */

/* Options of kavro_line_open; NULL gives the defaults, and so does 0 in a field. */
typedef struct kavro_line_options {
    uint32_t size;               /* sizeof(kavro_line_options): fields may be added at the end */
    uint32_t connect_timeout_ms; /* resolving, connecting, negotiating (default 3000) */
    uint32_t ack_timeout_ms;     /* RFC 2217: waiting for a settings acknowledgement (1000) */
    uint32_t network_margin_ms;  /* RFC 2217: added to the wire time of the bytes written since
                                    the last settings change before the next one is sent (10) */
    uint32_t raw_baud_rate;      /* raw TCP: the server's port settings; with 0 (the default)
                                    9600 baud, 8 data bits, no parity, one stop bit */
    uint8_t raw_data_bits;
    uint8_t raw_parity;    /* 0 none, 1 odd, 2 even, 3 mark, 4 space */
    uint8_t raw_stop_bits; /* 0 one, 1 one and a half, 2 two */
} kavro_line_options;

/* What kavro_line_open returns when it cannot open the line. */
#define KAVRO_INVALID_LINE ((kavro_serial_handle) - 1)

/* Opens a device path ("/dev/ttyUSB0", "COM3": as a raw line, its settings kept) or a URL as
 * above. The handle is the caller's until kavro_line_close; the handles are negative numbers
 * below -1023, which no open port of the host's is. On failure KAVRO_INVALID_LINE, with
 * KAVRO_ERROR_LINE_OPEN and one line saying why in kavro_last_error_message() ("cannot connect
 * to 127.0.0.1:2000: Connection refused"). */
KAVRO_API kavro_serial_handle KAVRO_CALL kavro_line_open(const char* url_or_path,
                                                         const kavro_line_options* options);
/* Closes a line from kavro_line_open once no call is using it any more. Nonzero when it was
 * such a line; 0 for any other handle, which is left alone. */
KAVRO_API int KAVRO_CALL kavro_line_close(kavro_serial_handle line);

#endif /* KAVRO_C_SERIAL_H */
