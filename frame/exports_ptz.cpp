// C exports: the camera-control encoders.
#include "frame/c_boundary.hpp"
#include "kavro/ansi_string.hpp"
#include "kavro/decoder.hpp"
#include "kavro/serial_port.hpp"

using namespace kavro;

void KAVRO_CALL _WriteCommandToDecoder(kavro_serial_handle port, uint8_t* busy_flag,
                                       int32_t protocol_id, kavro_recordset* protocol_table,
                                       int32_t camera, kavro_string* command) {
    const AnsiString name = AnsiString::share(command);  // the call's own reference
    callReporting([&] {
        if (busy_flag == nullptr) throw std::invalid_argument("the busy flag is NULL");
        SerialPort line(port);
        BusyFlag busy(*busy_flag);
        writeCommandToDecoder(line, busy, protocol_id, recordSetOf(protocol_table), camera,
                              name.view());
    });
}
