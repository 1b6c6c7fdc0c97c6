#include "kavro/encoder.hpp"
#include "kavro/line_settings.hpp"

namespace kavro {

void playScript(const WireTrace& script, SerialLine& line) {
    for (std::size_t i = 0; i < script.size(); ++i) {
        const WireTrace::Event event = script[i];
        switch (event.kind) {
            case WireTrace::Kind::Write:
                line.write(event.bytes);
                break;
            case WireTrace::Kind::Pause:
                line.pause(std::chrono::milliseconds(event.millis));
                break;
            case WireTrace::Kind::Parity:
                setComParity(line, event.parity);
                break;
            case WireTrace::Kind::Settings:
                line.writeSettings(event.settings);
                break;
        }
    }
}

void playUnderFlag(const WireTrace& script, SerialLine& line, BusyFlag& busy) {
    BusyFlagHold hold(busy);
    playScript(script, line);
}

}  // namespace kavro
