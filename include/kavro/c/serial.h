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

#endif /* KAVRO_C_SERIAL_H */
