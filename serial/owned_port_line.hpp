// A SerialPort over a device this library opened itself (openDeviceLine): it forwards to the
// port and, when deleted, lets the bytes written leave the wire (bounded by the write deadline,
// as closing a device may drop what is still queued) before it closes the device through the
// system's own call.
#pragma once

#include "kavro/serial_port.hpp"

namespace kavro {

class OwnedPortLine final : public SerialLine {
  public:
    using Closer = void (*)(NativeSerialHandle);
    OwnedPortLine(NativeSerialHandle handle, Closer close) : port_(handle), close_(close) {}
    ~OwnedPortLine() override {
        port_.drain();
        close_(port_.handle());
    }
    OwnedPortLine(const OwnedPortLine&) = delete;
    OwnedPortLine& operator=(const OwnedPortLine&) = delete;

    LineResult readSettings(CommSettings& settings) override {
        return port_.readSettings(settings);
    }
    LineResult writeSettings(const CommSettings& settings) override {
        return port_.writeSettings(settings);
    }
    LineResult write(std::span<const std::uint8_t> bytes) override { return port_.write(bytes); }
    void pause(std::chrono::milliseconds duration) override { port_.pause(duration); }
    void setWriteDeadline(const WriteDeadline& deadline) override {
        port_.setWriteDeadline(deadline);
    }

  private:
    SerialPort port_;
    Closer close_;
};

}  // namespace kavro
