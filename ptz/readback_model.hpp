// What the line decoder learns of a protocol row from its encoder: per command, the frames of a
// call, which frame bytes move with the code, the wire address, the parameter and the speed
// level, and tables from the moving bytes back to the values. Built by readback_build.cpp,
// matched against by line_decoder.cpp.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "kavro/line_decoder.hpp"
#include "kavro/wire_trace.hpp"

namespace kavro::readback {

// A value a frame does not carry (a frame without address, the scan's opening frame, which
// does not depend on the positions).
constexpr std::int32_t kAny = -1;

// The frames of one encoder call, joined: frame k is bytes [ends[k-1], ends[k]).
struct Frames {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint32_t> ends;

    std::size_t count() const noexcept { return ends.size(); }
    std::span<const std::uint8_t> frame(std::size_t k) const noexcept {
        const std::uint32_t begin = k == 0 ? 0 : ends[k - 1];
        return {bytes.data() + begin, ends[k] - begin};
    }
    bool sameShape(const Frames& other) const noexcept { return ends == other.ends; }
    void clear() noexcept {
        bytes.clear();
        ends.clear();
    }
};

// A script's writes cut into frames. The final write is always the whole frame as it stands;
// shorter writes (the address byte sent alone at mark parity, then the rest) are joined until
// they make up a frame of that length.
void splitFrames(const WireTrace& script, Frames& out);

// One encoder call: the command (index into the row's command fields) and its code, the wire
// address (or the switcher's first number), the parameter P (or the second number) and the
// dome's speed level.
struct Call {
    int cmd = 0;
    std::uint32_t code = 0;
    std::int32_t x = 0;
    std::int32_t p = 0;
    std::int32_t level = 0;
};

// The encoders behind one face: false when the encoder refuses (a row too short for the frame).
class CallEncoder {
  public:
    virtual ~CallEncoder() = default;
    virtual bool encode(const Call& call, Frames& out) const = 0;
};

// What a frame byte moves with.
enum Dep : std::uint8_t { kCode = 1, kX = 2, kY = 4, kLevel = 8 };

// How the parameter (or the second number) shapes a command's frames. Value: the frames carry
// P (or a function of it). Bit: P is a mask of scan positions and each set bit adds a frame,
// so the frames are learnt from one position at a time (y is the bit number) and a scan is
// the positions of its frames OR-ed together.
enum class YMode : std::uint8_t { None, Value, Bit };

// From the bytes at some positions of a frame back to the values that put them there.
struct Inversion {
    std::vector<int> positions;  // empty: every value below range is a candidate
    std::int32_t range = 0;
    std::unordered_map<std::string, std::vector<std::int32_t>> values;
    // One of the positions follows from the others (a checksum over the address alone).
    bool redundant = false;
};

struct CommandModel {
    std::string name;
    std::uint32_t code = 0;
    std::int32_t xRange = 0;  // 0: the frames carry no address
    YMode yMode = YMode::None;
    std::int32_t yRange = 0;
    bool levelMatters = false;
    int frames = 0;           // in the call the templates were learnt from
    bool enumerated = false;  // every call listed in the frame cache instead of templates
    Certainty certainty = Certainty::None;
    std::vector<int> templates;  // by frame number
};

// Frame k of a command's calls.
struct Template {
    int cmd = 0;
    int k = 0;
    bool repeatable = false;  // a scan position's frame: as many as positions are set
    std::vector<std::uint8_t> deps;
    std::vector<std::uint8_t> sample;
    int invX = -1, invY = -1, invLevel = -1;  // -1: the frame does not carry it
    Certainty certainty = Certainty::None;
};

// Templates of one length that keep the same positions fixed, indexed by those bytes.
struct KeyGroup {
    int length = 0;
    std::vector<int> positions;
    std::unordered_map<std::string, std::vector<int>> byKey;
    // Positions constant in every template of the group, with their values: when these fit
    // but no key does, the bytes are a frame of this layout with a code the row lacks.
    std::vector<int> fixedPositions;
    std::vector<std::uint8_t> fixedValues;
};

// What a recognised frame can be: frame k of a call of cmd with these values (kAny where the
// frame does not carry one; y is P, or the bit number in Bit mode).
struct Interp {
    std::int32_t cmd;
    std::int32_t x, y, level;
    std::int16_t k;
    std::int16_t n;  // frames of that call
    bool repeatable;
};

struct LengthInfo {
    int length = 0;
    std::array<bool, 256> firstByte{};  // bytes a frame of this length can start with
    std::vector<int> groups;
};

struct StringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept;
};

struct CacheEntry {
    std::vector<Interp> interps;
    bool solved = false;  // the templates were tried too (not only the listed calls)
};

// What a lookup gives: whether the templates were tried, and the readings of the window.
struct CacheView {
    bool solved = false;
    std::span<const Interp> interps;
};

// Recognised windows by their bytes: open addressing over one array of 64-byte slots, each
// holding the window's hash, its bytes (windows of up to 26 bytes) and, when the window has a
// single reading, that reading, so that a lookup of a frame read before touches one cache line.
// The entries behind the slots keep every reading and the longer windows; the slots are copies,
// written whenever an entry changes.
class FrameCache {
  public:
    std::optional<CacheView> find(std::string_view bytes) const {
        if (slots_.empty()) return std::nullopt;
        const std::uint32_t h = hashOf(bytes);
        for (std::size_t i = h & mask_;; i = (i + 1) & mask_) {
            const Slot& s = slots_[i];
            if (s.hash == 0) return std::nullopt;
            if (s.hash == h && s.length == bytes.size() && same(s, bytes)) return view(s);
        }
    }
    // Starts loading the slot where a lookup of these bytes begins.
    void prefetch(std::string_view bytes) const noexcept {
        if (!slots_.empty()) __builtin_prefetch(&slots_[hashOf(bytes) & mask_]);
    }
    // Sets the window's readings, adding the window if it is new.
    CacheView store(std::string_view bytes, std::span<const Interp> interps, bool solved) {
        Slot& s = slotFor(bytes);
        CacheEntry& e = entries_[s.index].second;
        e.interps.assign(interps.begin(), interps.end());
        e.solved = solved;
        copy(s);
        return view(s);
    }
    // One more reading of a listed call's frame.
    void add(std::string_view bytes, const Interp& interp) {
        Slot& s = slotFor(bytes);
        entries_[s.index].second.interps.push_back(interp);
        copy(s);
    }
    std::size_t size() const noexcept { return entries_.size(); }
    // Every entry, to change; the slots are written afresh after.
    template <class F>
    void update(F&& f) {
        for (auto& [key, entry] : entries_)
            f(std::string_view(key), entry);
        for (Slot& s : slots_) {
            if (s.hash != 0) copy(s);
        }
    }
    template <class F>
    void forEach(F&& f) const {
        for (const auto& [key, entry] : entries_)
            f(std::string_view(key), entry);
    }

  private:
    static constexpr std::size_t kInline = 26;
    struct alignas(64) Slot {
        std::uint32_t hash = 0;  // 0: free
        std::uint32_t index = 0;
        std::uint32_t length = 0;
        bool solved = false;
        bool single = false;  // the entry has one reading, copied into `one`
        char bytes[kInline] = {};
        Interp one{};
    };
    static_assert(sizeof(Slot) == 64);

    static std::uint32_t hashOf(std::string_view bytes) {
        // size_t is 32 bits on 32-bit Windows: widen before folding the halves.
        const std::uint64_t h = StringHash{}(bytes);
        return static_cast<std::uint32_t>(h ^ (h >> 32)) | 1u;
    }
    bool same(const Slot& s, std::string_view bytes) const {
        if (bytes.size() <= kInline) return std::string_view(s.bytes, bytes.size()) == bytes;
        return entries_[s.index].first == bytes;
    }
    CacheView view(const Slot& s) const {
        if (s.single) return CacheView{s.solved, {&s.one, 1}};
        return CacheView{s.solved, entries_[s.index].second.interps};
    }
    void copy(Slot& s) {
        const CacheEntry& e = entries_[s.index].second;
        s.solved = e.solved;
        s.single = e.interps.size() == 1;
        if (s.single) s.one = e.interps.front();
    }
    Slot& slotFor(std::string_view bytes) {
        if (!slots_.empty()) {
            const std::uint32_t h = hashOf(bytes);
            for (std::size_t i = h & mask_;; i = (i + 1) & mask_) {
                Slot& s = slots_[i];
                if (s.hash == 0) break;
                if (s.hash == h && s.length == bytes.size() && same(s, bytes)) return s;
            }
        }
        if ((entries_.size() + 1) * 2 > slots_.size()) grow();
        entries_.emplace_back(std::string(bytes), CacheEntry{});
        return place(entries_.size() - 1);
    }
    Slot& place(std::size_t index) {
        const std::string& key = entries_[index].first;
        const std::uint32_t h = hashOf(key);
        for (std::size_t i = h & mask_;; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (s.hash != 0) continue;
            s.hash = h;
            s.index = static_cast<std::uint32_t>(index);
            s.length = static_cast<std::uint32_t>(key.size());
            key.copy(s.bytes, std::min(key.size(), kInline));
            copy(s);
            return s;
        }
    }
    void grow() {
        slots_.assign(std::max<std::size_t>(64, slots_.size() * 2), Slot{});
        mask_ = slots_.size() - 1;
        for (std::size_t i = 0; i < entries_.size(); ++i)
            place(i);
    }
    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::deque<std::pair<std::string, CacheEntry>> entries_;  // stable while others are added
};

struct Model {
    EncoderKind kind = EncoderKind::Decoder;
    int protocolId = 0;
    std::int32_t base = 0;
    std::vector<std::string> names;
    std::vector<CommandModel> commands;
    std::vector<Template> templates;
    std::vector<Inversion> inversions;
    std::vector<KeyGroup> groups;
    std::vector<LengthInfo> lengths;  // longest first
    int longest = 0;
    bool anyTemplates = false;
    std::int32_t x0 = 1;  // the address calls are learnt at
    std::unique_ptr<CallEncoder> encoder;
    // Recognised windows: listed calls, and every window the templates solved.
    FrameCache cache;
};

// Reads the row (Decoder, Dome) and learns its frames. Raises LineDecoderError.
Model buildModel(EncoderKind kind, int protocolId, RecordSet* table,
                 const LineDecoderOptions& options);

}  // namespace kavro::readback
