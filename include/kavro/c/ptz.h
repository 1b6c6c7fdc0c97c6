/* Camera-control commands: decoders, speed domes and the matrix switcher. */
#ifndef KAVRO_C_PTZ_H
#define KAVRO_C_PTZ_H

#include "kavro/c/base.h"

/* The busy flag. One byte that keeps the encoder calls of one serial line from interleaving
 * their frames: a call waits while it is nonzero, sets it in the same atomic test-and-set step
 * as its last test, makes all its writes and pauses, and clears it. It coordinates exactly the
 * callers that share that byte, nothing else: threads of one process pass the same pointer;
 * processes that write to one line share it by placing it in memory they all map (a
 * MAP_SHARED mapping, a shared file mapping on Windows), where the atomic test-and-set works
 * the same. Two callers with two different bytes for one line are not kept apart.
 *
 * Failures on the line. A call whose row was read makes every write and pause of its protocol
 * in order even when the line fails one of them, then clears the flag; the first failure is
 * then reported through kavro_last_error_code(): KAVRO_ERROR_WRITE_FAILED with the system's
 * reason, or KAVRO_ERROR_WRITE_TIMED_OUT when a write did not finish within its deadline (four
 * times its time on the wire at the line's speed, plus a second), after which the call's later
 * writes are not tried. */

/* Sends a named command to a pan/tilt/zoom decoder and returns nothing.
 *
 * port            the decoder's open, configured serial port
 * busy_flag       the line's busy flag, one byte shared by every encoder call on that line:
 *                 0 free, nonzero while a call writes. The call waits in 50 ms steps while it
 *                 is set, sets it, writes, and clears it.
 * protocol_id     which protocol to speak; its row in protocol_table (field ID) gives the
 *                 command code (the field named like the command), the frame length (Length)
 *                 and the address offset (BaseAddress)
 * protocol_table  the host's protocol table; threads may share one (see base.h, record sets):
 *                 each call reads its row whole under the table's lock
 * camera          the camera address; the wire address is camera + BaseAddress
 * command         the command name, e.g. "Up", "ZoomIncStop"; compared case-sensitively
 *
 * Nothing is written, and the flag is not touched, when the table has no row for the protocol
 * (kavro_last_error_code() KAVRO_ERROR_NO_ROW), the row lacks one of the fields
 * (KAVRO_ERROR_FIELD_NOT_FOUND), a value is empty (KAVRO_ERROR_EMPTY_VALUE), not a number
 * (KAVRO_ERROR_NOT_A_NUMBER) or too large for what it must hold (KAVRO_ERROR_OVERFLOW), or
 * Length is negative or beyond any frame (KAVRO_ERROR_BAD_LENGTH), or the camera address
 * plus BaseAddress does not fit a 32-bit wire address (KAVRO_ERROR_BAD_CAMERA); a table that
 * cannot be searched gives KAVRO_ERROR_DATABASE. A Length shorter than the protocol's frame
 * also sends nothing: KAVRO_ERROR_OUT_OF_RANGE. kavro_last_error_message() then names the
 * field and the value as given (an unknown command: the row's command fields; the camera: its
 * address). A call that sent its command leaves the last error at KAVRO_ERROR_NONE unless the
 * line failed under it (see above). */
KAVRO_API void KAVRO_CALL _WriteCommandToDecoder(kavro_serial_handle port, uint8_t* busy_flag,
                                                 int32_t protocol_id,
                                                 kavro_recordset* protocol_table, int32_t camera,
                                                 kavro_string* command);

/* Sends a named command to a speed dome and returns nothing.
 *
 * port            the dome's open, configured serial port
 * busy_flag       the line's busy flag, shared with the decoder and switcher calls of that line
 *                 (see _WriteCommandToDecoder)
 * protocol_table  the host's protocol table, shareable as for _WriteCommandToDecoder; note the
 *                 order: the table before the protocol ID
 * protocol_id     which protocol to speak; its row (field ID) gives the command code (the field
 *                 named like the command), the frame length (Length), the address offset
 *                 (BaseAddress), the stay time at a scan position (StayTime, 0 to 255) and the
 *                 speed values of speed levels 0 and 10 (Slowest, Fastest)
 * camera          the dome address; the wire address is camera + BaseAddress
 * command         the command name, e.g. "Up", "Scan", "ScanStop"; compared case-sensitively
 * speed_level     0 (Slowest) to 10 (Fastest), rounded half to even in between; not clamped
 * parameter       a number the protocols put in the frame (a preset, an aux number); for
 *                 "Scan" in protocols 18, 20 and 49 the bit mask of the scan positions
 *
 * Nothing is written, and the flag is not touched, when the table has no row for the protocol,
 * the row lacks one of the fields above (every dome row needs StayTime, Slowest and Fastest),
 * a value is empty or not a number, StayTime is outside 0 to 255, or Length is negative; the
 * thread's last error then says which, with the codes of _WriteCommandToDecoder
 * (KAVRO_ERROR_OVERFLOW for a StayTime outside 0 to 255). A Length shorter than the protocol's
 * frame also sends nothing: KAVRO_ERROR_OUT_OF_RANGE. Failures on the line: see above. */
KAVRO_API void KAVRO_CALL _WriteCommandToGlobe(kavro_serial_handle port, uint8_t* busy_flag,
                                               kavro_recordset* protocol_table, int32_t protocol_id,
                                               int32_t camera, kavro_string* command,
                                               int32_t speed_level, int32_t parameter);

/* Tells a video matrix switcher to connect two channels and returns nothing.
 *
 * port            the switcher's open, configured serial port
 * busy_flag       the line's busy flag (see _WriteCommandToDecoder); taken and cleared for every
 *                 protocol value, also one that sends nothing
 * protocol        4, 15 or 28; any other value sends nothing
 * unused          not read (it stands where the other encoders take their protocol table)
 * first, second   the two channel numbers, sent as given: protocol 4 as raw bytes, 15 as 0 to
 *                 19, 28 as three decimal digits each (0 to 999)
 *
 * No value of the numbers can make the call fail. kavro_last_error_code() is cleared, and set
 * to KAVRO_ERROR_NO_PROTOCOL for a protocol that sends nothing, KAVRO_ERROR_INVALID_ARGUMENT
 * for a NULL busy flag (then nothing is sent and the flag is not touched), or to a line failure
 * (see above). */
KAVRO_API void KAVRO_CALL _WriteCommandToSwitch(kavro_serial_handle port, uint8_t* busy_flag,
                                                int32_t protocol, const void* unused, int32_t first,
                                                int32_t second);

#endif /* KAVRO_C_PTZ_H */
