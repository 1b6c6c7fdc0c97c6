// C exports: the camera-control encoders.
#include <string>

#include "frame/c_boundary.hpp"
#include "frame/line_handles.hpp"
#include "kavro/ansi_string.hpp"
#include "kavro/decoder.hpp"
#include "kavro/dome.hpp"
#include "kavro/switcher.hpp"

using namespace kavro;

namespace {

// The call was made; what the line failed of it goes to the thread's last error.
void reportLine(const LineOutcome& outcome) {
    if (outcome.ok()) return;
    setLastError(outcome.timedOut() ? KAVRO_ERROR_WRITE_TIMED_OUT : KAVRO_ERROR_WRITE_FAILED,
                 outcome.text());
}

void reportSend(const SendResult& result) {
    recordRefusal(result);
    reportLine(result.line);
}

}  // namespace

void KAVRO_CALL _WriteCommandToDecoder(kavro_serial_handle port, uint8_t* busy_flag,
                                       int32_t protocol_id, kavro_recordset* protocol_table,
                                       int32_t camera, kavro_string* command) {
    const AnsiString name = AnsiString::share(command);  // the call's own reference
    callReporting([&] {
        if (busy_flag == nullptr) throw std::invalid_argument("the busy flag is NULL");
        LineOfHandle line(port);
        BusyFlag busy(*busy_flag);
        reportSend(writeCommandToDecoder(*line, busy, protocol_id, recordSetOf(protocol_table),
                                         camera, name.view()));
    });
}

void KAVRO_CALL _WriteCommandToGlobe(kavro_serial_handle port, uint8_t* busy_flag,
                                     kavro_recordset* protocol_table, int32_t protocol_id,
                                     int32_t camera, kavro_string* command, int32_t speed_level,
                                     int32_t parameter) {
    const AnsiString name = AnsiString::share(command);  // the call's own reference
    callReporting([&] {
        if (busy_flag == nullptr) throw std::invalid_argument("the busy flag is NULL");
        LineOfHandle line(port);
        BusyFlag busy(*busy_flag);
        reportSend(writeCommandToGlobe(*line, busy, recordSetOf(protocol_table), protocol_id,
                                       camera, name.view(), speed_level, parameter));
    });
}

void KAVRO_CALL _WriteCommandToSwitch(kavro_serial_handle port, uint8_t* busy_flag,
                                      int32_t protocol, const void* /*unused*/, int32_t first,
                                      int32_t second) {
    callReporting([&] {
        if (busy_flag == nullptr) throw std::invalid_argument("the busy flag is NULL");
        LineOfHandle line(port);
        BusyFlag busy(*busy_flag);
        const SwitchResult result = writeCommandToSwitch(*line, busy, protocol, first, second);
        if (!result.known) {
            setLastError(KAVRO_ERROR_NO_PROTOCOL, "switcher protocol " + std::to_string(protocol) +
                                                      " is none of 4, 15 and 28");
        }
        reportLine(result.line);
    });
}
