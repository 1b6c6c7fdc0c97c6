// C exports: serial line settings and parity-byte writes.
#include <cstddef>

#include "frame/c_boundary.hpp"
#include "frame/line_handles.hpp"
#include "kavro/ansi_string.hpp"
#include "kavro/line_settings.hpp"

using namespace kavro;

static_assert(offsetof(kavro_alarm_line_settings, baud_rate) == 12);
static_assert(offsetof(kavro_alarm_line_settings, data_bits) == 18);
static_assert(offsetof(kavro_alarm_line_settings, stop_bits) == 20);
static_assert(offsetof(kavro_alarm_line_settings, parity) == 24);
static_assert(offsetof(kavro_decoder_line_settings, baud_rate) == 16);
static_assert(offsetof(kavro_decoder_line_settings, data_bits) == 22);
static_assert(offsetof(kavro_decoder_line_settings, stop_bits) == 24);
static_assert(offsetof(kavro_decoder_line_settings, parity) == (sizeof(void*) == 4 ? 28 : 32));

namespace {

template <class Record>
int setState(kavro_serial_handle port, const Record* record) {
    return callQuietly(0, [&] {
        if (record == nullptr) return 0;
        AnsiString parity = AnsiString::share(record->parity);
        LineSettings settings;
        settings.baudRate = record->baud_rate;
        settings.dataBits = record->data_bits;
        settings.stopBits = record->stop_bits;
        settings.parity = parity.str();
        LineOfHandle line(port);
        return setComState(*line, settings) ? 1 : 0;
    });
}

}  // namespace

int KAVRO_CALL _SetDecoderComState(kavro_serial_handle port,
                                   const kavro_decoder_line_settings* settings) {
    return setState(port, settings);
}

int KAVRO_CALL _SetAlarmComState(kavro_serial_handle port,
                                 const kavro_alarm_line_settings* settings) {
    return setState(port, settings);
}

int KAVRO_CALL _SetComParity(kavro_serial_handle port, uint8_t parity) {
    return callQuietly(0, [&] {
        LineOfHandle line(port);
        return setComParity(*line, parity) ? 1 : 0;
    });
}

int KAVRO_CALL _WriteByte_ParityToComm(kavro_serial_handle port, uint8_t byte, uint8_t parity) {
    return callQuietly(0, [&] {
        LineOfHandle line(port);
        return writeByteWithParity(*line, byte, parity) ? 1 : 0;
    });
}

int KAVRO_CALL _WriteByte_ParityToComm_Manual(kavro_serial_handle port, uint8_t byte,
                                              uint8_t wanted_bit) {
    return callQuietly(0, [&] {
        LineOfHandle line(port);
        return writeByteWithParityBit(*line, byte, wanted_bit) ? 1 : 0;
    });
}
