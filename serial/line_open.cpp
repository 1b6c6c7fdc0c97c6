#include "kavro/line_open.hpp"

#include "serial/device_line.hpp"
#include "serial/line_address.hpp"
#include "serial/raw_tcp_line.hpp"
#include "serial/rfc2217_line.hpp"

namespace kavro {

std::unique_ptr<SerialLine> openLine(std::string_view urlOrPath, const LineOptions& options) {
    LineAddress address;
    try {
        address = parseLineAddress(urlOrPath);
    } catch (const LineAddressError& error) {
        throw LineOpenError(error.what());
    }
    try {
        switch (address.kind) {
            case LineAddress::Kind::Device:
                return openDeviceLine(address.path);
            case LineAddress::Kind::RawTcp:
                return RawTcpLine::connect(address, options);
            case LineAddress::Kind::Rfc2217:
                return Rfc2217Line::connect(address, options);
        }
    } catch (const NetworkError& error) {
        throw LineOpenError(error.what());
    }
    throw LineOpenError("cannot open " + std::string(urlOrPath));
}

}  // namespace kavro
