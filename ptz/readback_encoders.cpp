// The decoder, dome and switcher encoders behind the line decoder's CallEncoder: the same
// layout functions and script builder the senders use, so the frames read back are the frames
// sent.
#include "ptz/readback_encoders.hpp"

#include "kavro/switcher.hpp"
#include "ptz/decoder_protocols.hpp"
#include "ptz/dome_protocols.hpp"
#include "ptz/script_builder.hpp"

namespace kavro::readback {

void splitFrames(const WireTrace& script, Frames& out) {
    out.clear();
    std::size_t finalLength = 0;
    for (std::size_t i = script.size(); i-- > 0;) {
        const WireTrace::Event e = script[i];
        if (e.kind == WireTrace::Kind::Write) {
            finalLength = e.bytes.size();
            break;
        }
    }
    std::size_t open = 0;  // bytes of the frame being joined
    for (std::size_t i = 0; i < script.size(); ++i) {
        const WireTrace::Event e = script[i];
        if (e.kind != WireTrace::Kind::Write || e.bytes.empty()) continue;
        out.bytes.insert(out.bytes.end(), e.bytes.begin(), e.bytes.end());
        open += e.bytes.size();
        if (open >= finalLength) {
            out.ends.push_back(static_cast<std::uint32_t>(out.bytes.size()));
            open = 0;
        }
    }
    if (open > 0) out.ends.push_back(static_cast<std::uint32_t>(out.bytes.size()));
}

namespace {

class DecoderEncoder final : public CallEncoder {
  public:
    DecoderEncoder(const DecoderProtocol& protocol, int length, std::vector<std::string> names)
        : protocol_(protocol), length_(length), names_(std::move(names)) {}

    bool encode(const Call& c, Frames& out) const override {
        DecoderCall call;
        call.code = c.code;
        call.wire = c.x;
        call.command = names_[static_cast<std::size_t>(c.cmd)];
        try {
            splitFrames(buildScript(length_, call, protocol_.layout, 8, 32), out);
        } catch (const DynArrayOutOfRange&) {
            return false;
        }
        return true;
    }

  private:
    const DecoderProtocol& protocol_;
    int length_;
    std::vector<std::string> names_;
};

class DomeEncoder final : public CallEncoder {
  public:
    DomeEncoder(const DomeProtocol& protocol, int length, std::vector<std::string> names,
                std::uint8_t stay, std::array<std::int32_t, 11> speeds)
        : protocol_(protocol),
          length_(length),
          names_(std::move(names)),
          stay_(stay),
          speeds_(speeds) {}

    bool encode(const Call& c, Frames& out) const override {
        DomeCall call;
        call.code = c.code;
        call.wire = c.x;
        call.command = names_[static_cast<std::size_t>(c.cmd)];
        call.speed = speeds_[static_cast<std::size_t>(c.level)];
        call.stay = stay_;
        call.param = c.p;
        try {
            splitFrames(buildScript(length_, call, protocol_.layout, 24, 256), out);
        } catch (const DynArrayOutOfRange&) {
            return false;
        }
        return true;
    }

  private:
    const DomeProtocol& protocol_;
    int length_;
    std::vector<std::string> names_;
    std::uint8_t stay_;
    std::array<std::int32_t, 11> speeds_;
};

class SwitcherEncoder final : public CallEncoder {
  public:
    explicit SwitcherEncoder(int protocol) : protocol_(protocol) {}

    bool encode(const Call& c, Frames& out) const override {
        WireTrace script;
        if (!encodeSwitchCommand(protocol_, c.x, c.p, script)) return false;
        splitFrames(script, out);
        return true;
    }

  private:
    int protocol_;
};

}  // namespace

std::unique_ptr<CallEncoder> decoderEncoder(int protocolId, int length,
                                            std::vector<std::string> names) {
    const DecoderProtocol* protocol = findDecoderProtocol(protocolId);
    if (protocol == nullptr) return nullptr;
    return std::make_unique<DecoderEncoder>(*protocol, length, std::move(names));
}

std::unique_ptr<CallEncoder> domeEncoder(int protocolId, int length, std::vector<std::string> names,
                                         std::uint8_t stay, std::array<std::int32_t, 11> speeds) {
    const DomeProtocol* protocol = findDomeProtocol(protocolId);
    if (protocol == nullptr) return nullptr;
    return std::make_unique<DomeEncoder>(*protocol, length, std::move(names), stay, speeds);
}

std::unique_ptr<CallEncoder> switcherEncoder(int protocolId) {
    if (protocolId != 4 && protocolId != 15 && protocolId != 28) return nullptr;
    return std::make_unique<SwitcherEncoder>(protocolId);
}

}  // namespace kavro::readback
