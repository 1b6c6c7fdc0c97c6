// Reading a serial line back: the bytes of a capture (or of a live line) turned into the named
// commands that the library's encoders would have sent, and the runs of bytes that are no frame.
//
// The decoder knows no frame layout of its own. For the protocol row it asks the encoders
// themselves for the frames of every command field, varies the wire address, the dome's
// parameter and speed level (or the switcher's two numbers) one at a time to learn which frame
// bytes carry them, and keeps, per frame, the bytes that stay fixed as an index key and a table
// from the carrying bytes back to the values. A window of the stream is a frame only when the
// encoder, called again with the values read back, yields exactly those bytes; so what the
// decoder names is what the encoder sends, by construction.
//
// Commands the encoders send as several frames (repeated frames, two-frame sequences, the
// dome scans with one frame per position) come back as one command. After bytes that are no
// frame the decoder goes on at the next byte where a frame fits, so a frame that follows
// garbage is never lost (unless the garbage and the frame's first bytes form a frame).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kavro/record_set.hpp"

namespace kavro {

enum class EncoderKind { Decoder, Dome, Switcher };

// How sure a match is. Checksum: a frame byte is computed from the others (a checksum, or a
// byte the address is added to), so one random window in 2^8 (2^7 for a 7-bit sum) of those
// whose other bytes fit passes. FixedBytes: only constant bytes (sync, lead, trailer) and the
// code are checked. None: every byte is address, code or parameter (two bytes "w C0"), so random
// bytes match often.
enum class Certainty { Checksum, FixedBytes, None };
std::string_view certaintyName(Certainty certainty) noexcept;  // "checksum", "fixed bytes", "none"

struct DecodedItem {
    enum class Kind { Command, Connection, NoFrame };
    Kind kind = Kind::NoFrame;
    std::uint64_t offset = 0;             // of the first byte, counted from the stream's start
    std::span<const std::uint8_t> bytes;  // every byte of the command, or the run

    // Command: the names whose code the frames carry (several when codes collide), in the
    // table's column order; the camera (the wire address less BaseAddress), empty where the
    // layout carries no address; the dome's parameter and speed level where the frames carry
    // them.
    std::span<const std::string_view> commands;
    std::optional<std::int32_t> camera;
    std::optional<std::int32_t> parameter;
    std::optional<std::int32_t> speed;
    // Connection: the switcher's two channel numbers.
    std::int32_t first = 0, second = 0;
    Certainty certainty = Certainty::None;
    // Frames seen and frames the encoder sends for this command: fewer seen when a sequence
    // was cut short (the first of two frames alone, a scan without its closing frame).
    int frames = 0, expectedFrames = 0;
    bool complete() const noexcept { return frames == expectedFrames; }

    // NoFrame: why. "bad checksum" (a known command's frame with a wrong computed byte),
    // "unknown code" (fixed bytes fit, no command of the row has this code), "no frame starts
    // here".
    std::string_view reason;
};

// A non-owning callable taking each item; the item and what it points to live until it returns.
class ItemSink {
  public:
    template <class F>
    ItemSink(F& f) noexcept  // NOLINT: implicit, as std::function_ref
        : object_(&f),
          call_([](void* o, const DecodedItem& item) { (*static_cast<F*>(o))(item); }) {}
    void operator()(const DecodedItem& item) const { call_(object_, item); }

  private:
    void* object_;
    void (*call_)(void*, const DecodedItem&);
};

struct LineDecoderOptions {
    // Layouts that carry more of the wire address than its low byte (split by 32 or 1000, as
    // decimal digits, as 16 bits) are read for wire addresses 0 to this; the others for 0 to
    // 255, which is all their frames can tell apart.
    std::int32_t widestAddress = 9999;
    // The same for a dome parameter or a switcher number sent as digits or with a carry.
    std::int32_t widestParameter = 9999;
};

// The row cannot be read back: no row, a field that does not convert, an ID without a layout.
class LineDecoderError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class LineDecoder {
  public:
    // Decoder and Dome read the protocol row of the table (every command field with a value);
    // Switcher needs no table (pass nullptr) and speaks protocols 4, 15 and 28.
    LineDecoder(EncoderKind kind, int protocolId, RecordSet* table,
                const LineDecoderOptions& options = {});
    ~LineDecoder();
    LineDecoder(LineDecoder&&) noexcept;
    LineDecoder& operator=(LineDecoder&&) noexcept;

    // Takes the next bytes of the stream and hands over every item that is settled; a frame
    // that may still grow into a longer one, or a sequence that may go on, waits for more.
    void feed(std::span<const std::uint8_t> bytes, ItemSink sink);
    // The stream has ended (or paused long enough): everything still held is handed over.
    void finish(ItemSink sink);

    // What was read of the row: the command fields, the layout's certainty (the weakest of its
    // frames), and the highest wire address it tells apart (-1 for a layout without address).
    const std::vector<std::string>& commandNames() const noexcept;
    Certainty certainty() const noexcept;
    std::int32_t highestWireAddress() const noexcept;
    std::int32_t baseAddress() const noexcept;
    // The chance that the bytes at one position of a random stream are a frame of this row:
    // the frames the row can send, over 256 to the power of their length. A checksum byte
    // divides it by 256 (by 128 for a 7-bit sum).
    double randomMatchChance() const noexcept;

    // Counts over everything fed so far.
    std::uint64_t commandsSeen() const noexcept;
    std::uint64_t unrecognisedBytes() const noexcept;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace kavro
