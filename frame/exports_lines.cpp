// C exports: lines the library opens by device path or URL.
#include <cstddef>
#include <cstring>

#include "frame/c_boundary.hpp"
#include "frame/line_handles.hpp"
#include "kavro/line_open.hpp"

using namespace kavro;

namespace {

LineOptions optionsFrom(const kavro_line_options* given) {
    LineOptions options;
    if (given == nullptr) return options;
    // Only the fields the caller's struct has: an older caller's is shorter.
    kavro_line_options o{};
    const std::size_t size = given->size < sizeof o ? given->size : sizeof o;
    std::memcpy(&o, given, size);
    using std::chrono::milliseconds;
    if (o.connect_timeout_ms != 0) options.connectTimeout = milliseconds(o.connect_timeout_ms);
    if (o.ack_timeout_ms != 0) options.ackTimeout = milliseconds(o.ack_timeout_ms);
    if (o.network_margin_ms != 0) options.networkMargin = milliseconds(o.network_margin_ms);
    if (o.raw_baud_rate != 0) {
        options.rawTcpSettings = {o.raw_baud_rate, o.raw_data_bits, o.raw_parity, o.raw_stop_bits};
    }
    return options;
}

}  // namespace

kavro_serial_handle KAVRO_CALL kavro_line_open(const char* url_or_path,
                                               const kavro_line_options* options) {
    return callReporting<kavro_serial_handle>(KAVRO_INVALID_LINE, [&] {
        if (url_or_path == nullptr) throw std::invalid_argument("no device path or URL given");
        try {
            return keepLine(openLine(url_or_path, optionsFrom(options)));
        } catch (const LineOpenError& error) {
            setLastError(KAVRO_ERROR_LINE_OPEN, error.what());
            return KAVRO_INVALID_LINE;
        }
    });
}

int KAVRO_CALL kavro_line_close(kavro_serial_handle line) {
    return callQuietly(0, [&] { return dropLine(line) ? 1 : 0; });
}
