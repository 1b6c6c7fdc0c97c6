#include "kavro/recording_line.hpp"

namespace kavro {

bool RecordingLine::readSettings(CommSettings& settings) {
    if (failSettings_) return false;
    if (forward_ != nullptr) {
        if (!forward_->readSettings(settings)) return false;
        settings_ = settings;
        return true;
    }
    settings = settings_;
    return true;
}

bool RecordingLine::writeSettings(const CommSettings& settings) {
    const bool onlyParity = settings.baudRate == settings_.baudRate &&
                            settings.byteSize == settings_.byteSize &&
                            settings.stopBits == settings_.stopBits;
    if (onlyParity) {
        trace_.parity(settings.parity);
    } else {
        trace_.settings(settings);
    }
    if (failSettings_) return false;
    if (forward_ != nullptr && !forward_->writeSettings(settings)) return false;
    settings_ = settings;
    return true;
}

bool RecordingLine::write(std::span<const std::uint8_t> bytes) {
    trace_.write(bytes);
    if (failWrites_) return false;
    return forward_ == nullptr || forward_->write(bytes);
}

void RecordingLine::pause(std::chrono::milliseconds duration) {
    trace_.pause(static_cast<int>(duration.count()));
    if (forward_ != nullptr) forward_->pause(duration);
}

}  // namespace kavro
