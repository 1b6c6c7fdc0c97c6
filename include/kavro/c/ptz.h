/* Camera-control commands: decoders, speed domes and the matrix switcher. */
#ifndef KAVRO_C_PTZ_H
#define KAVRO_C_PTZ_H

#include "kavro/c/base.h"

/* Sends a named command to a pan/tilt/zoom decoder and returns nothing.
 *
 * port            the decoder's open, configured serial port
 * busy_flag       the line's busy flag, one byte shared by every encoder call on that line:
 *                 0 free, nonzero while a call writes. The call waits in 50 ms steps while it
 *                 is set, sets it, writes, and clears it.
 * protocol_id     which protocol to speak; its row in protocol_table (field ID) gives the
 *                 command code (the field named like the command), the frame length (Length)
 *                 and the address offset (BaseAddress)
 * camera          the camera address; the wire address is camera + BaseAddress
 * command         the command name, e.g. "Up", "ZoomIncStop"; compared case-sensitively
 *
 * Nothing is written, and the flag is not touched, when the table has no row for the protocol,
 * the row lacks one of the fields, a value is empty or not a number, or Length is negative.
 * A Length shorter than the protocol's frame also sends nothing; that case (only) is reported
 * through kavro_last_error_code() as KAVRO_ERROR_OUT_OF_RANGE. */
KAVRO_API void KAVRO_CALL _WriteCommandToDecoder(kavro_serial_handle port, uint8_t* busy_flag,
                                                 int32_t protocol_id,
                                                 kavro_recordset* protocol_table, int32_t camera,
                                                 kavro_string* command);

#endif /* KAVRO_C_PTZ_H */
