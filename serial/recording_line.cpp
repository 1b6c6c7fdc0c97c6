#include "kavro/recording_line.hpp"

namespace kavro {

LineResult RecordingLine::injected(const std::optional<LineResult>& failure) const {
    return failure ? *failure : LineResult();
}

void RecordingLine::failWrites(bool fail, std::string error, bool timedOut) {
    if (!fail) {
        writeFailure_.reset();
    } else {
        writeFailure_ = timedOut ? LineResult::timedOut(std::move(error))
                                 : LineResult::failed(std::move(error));
    }
}

void RecordingLine::failSettings(bool fail, std::string error) {
    if (!fail) {
        settingsFailure_.reset();
    } else {
        settingsFailure_ = LineResult::failed(std::move(error));
    }
}

LineResult RecordingLine::readSettings(CommSettings& settings) {
    if (settingsFailure_) return *settingsFailure_;
    if (forward_ != nullptr) {
        LineResult result = forward_->readSettings(settings);
        if (result) settings_ = settings;
        return result;
    }
    settings = settings_;
    return {};
}

LineResult RecordingLine::writeSettings(const CommSettings& settings) {
    const bool onlyParity = settings.baudRate == settings_.baudRate &&
                            settings.byteSize == settings_.byteSize &&
                            settings.stopBits == settings_.stopBits;
    if (onlyParity) {
        trace_.parity(settings.parity);
    } else {
        trace_.settings(settings);
    }
    LineResult result = injected(settingsFailure_);
    if (result && forward_ != nullptr) result = forward_->writeSettings(settings);
    if (result) {
        settings_ = settings;
    } else {
        trace_.markFailed(trace_.size() - 1, result.error());
    }
    return result;
}

LineResult RecordingLine::write(std::span<const std::uint8_t> bytes) {
    trace_.write(bytes);
    LineResult result = injected(writeFailure_);
    if (result && forward_ != nullptr) result = forward_->write(bytes);
    if (!result) trace_.markFailed(trace_.size() - 1, result.error());
    return result;
}

void RecordingLine::pause(std::chrono::milliseconds duration) {
    trace_.pause(static_cast<int>(duration.count()));
    if (forward_ != nullptr) forward_->pause(duration);
}

void RecordingLine::setWriteDeadline(const WriteDeadline& deadline) {
    if (forward_ != nullptr) forward_->setWriteDeadline(deadline);
}

}  // namespace kavro
