// Learning a protocol row's frames from its encoder. For each command field: call the encoder
// once as a sample; call it again with one input changed at a time (each bit of the code, of
// the wire address, of the parameter; each speed level) to see which frame bytes move with
// which input; then, per input, list the values the encoder gives the bytes that move with it
// alone, so that a frame read off the line gives its address and parameter back. Bytes that
// move with two inputs are computed ones (checksums): they are checked by calling the encoder
// again with the values read back.
#include <algorithm>
#include <bit>
#include <map>

#include "ptz/protocol_row.hpp"
#include "ptz/readback_encoders.hpp"
#include "ptz/readback_model.hpp"

namespace kavro::readback {

std::size_t StringHash::operator()(std::string_view s) const noexcept {
    // FNV-1a: the windows are short and the hash runs once per candidate position.
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (const char c : s) {
        h ^= static_cast<std::uint8_t>(c);
        h *= 0x100000001b3ULL;
    }
    return static_cast<std::size_t>(h);
}

namespace {

// Lists beyond this many calls are not made: a command whose frames change shape with its
// inputs (the switcher's one- and two-digit frames) is listed whole, within bytes' ranges.
constexpr std::size_t kMaxListedCalls = 1u << 21;

int bitsFor(std::int32_t range) {
    return range <= 1 ? 0 : std::bit_width(static_cast<std::uint32_t>(range - 1));
}

class Builder {
  public:
    Builder(Model& model, const LineDecoderOptions& options) : m_(model), options_(options) {}

    void run() {
        for (std::size_t i = 0; i < m_.commands.size(); ++i)
            learn(static_cast<int>(i));
        collapseListedCalls();
        indexTemplates();
    }

  private:
    bool encode(int cmd, std::uint32_t code, std::int32_t x, std::int32_t p, std::int32_t level,
                Frames& out) {
        return m_.encoder->encode(Call{cmd, code, x, p, level}, out);
    }
    bool encode(int cmd, std::int32_t x, std::int32_t p, std::int32_t level, Frames& out) {
        return encode(cmd, m_.commands[static_cast<std::size_t>(cmd)].code, x, p, level, out);
    }
    // The parameter a Y value stands for.
    static std::int32_t paramOf(YMode mode, std::int32_t y) {
        return mode == YMode::Bit ? static_cast<std::int32_t>(1u << (y & 31)) : y;
    }

    void learn(int cmd) {
        CommandModel& c = m_.commands[static_cast<std::size_t>(cmd)];
        const std::int32_t x0 = m_.x0;
        Frames sample, other, other2;
        if (!encode(cmd, x0, 0, 0, sample) || sample.count() == 0) return;  // never sent

        // The address: does any frame byte move with it, and with more than its low byte?
        bool shapeMoves = false;
        bool hasX = false;
        for (std::int32_t x : {0, 2, 3, 5, 0x55, 0xAA, 0xFF, 256, 1000}) {
            if (!encode(cmd, x, 0, 0, other)) continue;
            if (other.bytes != sample.bytes) hasX = true;
            if (!other.sameShape(sample)) shapeMoves = true;
        }
        bool wide = false;
        if (hasX) {
            for (std::int32_t x : {1, 2, 77, 200, 255}) {
                if (encode(cmd, x, 0, 0, other) && encode(cmd, x + 256, 0, 0, other2) &&
                    other.bytes != other2.bytes)
                    wide = true;
            }
        }
        c.xRange = !hasX ? 0 : wide ? options_.widestAddress + 1 : 256;

        // The parameter (dome) or the second number (switcher).
        if (m_.kind != EncoderKind::Decoder) {
            bool hasY = false, yShape = false;
            for (std::int32_t p : {1, 2, 3, 5, 77, 255, 256, 1000}) {
                if (!encode(cmd, x0, p, 0, other)) continue;
                if (other.bytes != sample.bytes) hasY = true;
                if (!other.sameShape(sample)) yShape = true;
            }
            if (hasY) {
                if (m_.kind == EncoderKind::Dome && encode(cmd, x0, 1, 0, other) &&
                    encode(cmd, x0, 3, 0, other2) && other.count() != other2.count()) {
                    c.yMode = YMode::Bit;
                    c.yRange = 32;
                } else if (yShape) {
                    c.yMode = YMode::Value;
                    shapeMoves = true;
                } else {
                    c.yMode = YMode::Value;
                    c.yRange = periodOf(cmd);
                }
            }
        }
        // Learnt with the parameter 1: a scan with one position, whose frames carry the speed.
        const std::int32_t p0 = c.yMode == YMode::None ? 0 : 1;
        if (p0 != 0) encode(cmd, x0, p0, 0, sample);
        if (m_.kind == EncoderKind::Dome) {
            for (std::int32_t level : {1, 5, 10}) {
                if (encode(cmd, x0, p0, level, other) && other.bytes != sample.bytes)
                    c.levelMatters = true;
            }
        }
        std::vector<std::uint8_t> deps(sample.bytes.size(), 0);
        probeDeps(cmd, sample, deps);
        c.certainty = certaintyOf(deps);

        if (shapeMoves) {
            listCalls(cmd);
            return;
        }
        c.frames = static_cast<int>(sample.count());
        for (std::size_t k = 0; k < sample.count(); ++k) {
            Template t;
            t.cmd = cmd;
            t.k = static_cast<int>(k);
            const std::uint32_t begin = k == 0 ? 0 : sample.ends[k - 1];
            t.deps.assign(deps.begin() + begin, deps.begin() + sample.ends[k]);
            const auto f = sample.frame(k);
            t.sample.assign(f.begin(), f.end());
            t.certainty = certaintyOf(t.deps);
            t.repeatable = c.yMode == YMode::Bit &&
                           std::any_of(t.deps.begin(), t.deps.end(), [](auto d) { return d & kY; });
            c.templates.push_back(static_cast<int>(m_.templates.size()));
            m_.templates.push_back(std::move(t));
        }
        invert(cmd, kX, c.xRange);
        invert(cmd, kY, c.yRange);
        invert(cmd, kLevel, c.levelMatters ? 11 : 0);
        // The command is as sure as its least sure frame.
        c.certainty = Certainty::Checksum;
        for (const int ti : c.templates) {
            const Certainty t = m_.templates[static_cast<std::size_t>(ti)].certainty;
            if (static_cast<int>(t) > static_cast<int>(c.certainty)) c.certainty = t;
        }
    }

    // The parameter range a Value command's frames tell apart: its low byte, 16 bits, or the
    // configured width for one sent as digits.
    std::int32_t periodOf(int cmd) {
        Frames a, b;
        auto periodic = [&](std::int32_t step) {
            for (std::int32_t p : {0, 1, 2, 77, 200}) {
                if (!encode(cmd, m_.x0, p, 0, a) || !encode(cmd, m_.x0, p + step, 0, b) ||
                    a.bytes != b.bytes)
                    return false;
            }
            return true;
        };
        if (periodic(256)) return 256;
        if (periodic(65536)) return 65536;
        return options_.widestParameter + 1;
    }

    void probeDeps(int cmd, const Frames& sample, std::vector<std::uint8_t>& deps) {
        const CommandModel& c = m_.commands[static_cast<std::size_t>(cmd)];
        const std::int32_t x0 = m_.x0;
        const std::int32_t p0 = c.yMode == YMode::None ? 0 : 1;
        Frames other;
        auto mark = [&](std::uint8_t dep) {
            if (!other.sameShape(sample)) return;
            for (std::size_t i = 0; i < deps.size(); ++i) {
                if (other.bytes[i] != sample.bytes[i]) deps[i] |= dep;
            }
        };
        if (m_.kind != EncoderKind::Switcher) {
            // One bit at a time: flipping a bit in several code bytes at once would leave an
            // exclusive-or over them unchanged.
            for (int b = 0; b < 32; ++b) {
                if (encode(cmd, c.code ^ (1u << b), x0, p0, 0, other)) mark(kCode);
            }
        }
        std::uint32_t lcg = 12345;
        auto next = [&](std::int32_t range) {
            lcg = lcg * 1103515245u + 12345u;
            return static_cast<std::int32_t>((lcg >> 8) % static_cast<std::uint32_t>(range));
        };
        if (c.xRange > 0) {
            for (int b = 0; b < bitsFor(c.xRange); ++b) {
                for (const std::int32_t x : {x0 ^ (1 << b), (2 << b) - 1}) {
                    if (x < c.xRange && encode(cmd, x, p0, 0, other)) mark(kX);
                }
            }
            for (int i = 0; i < 16; ++i) {
                if (encode(cmd, next(c.xRange), p0, 0, other)) mark(kX);
            }
        }
        if (c.yMode == YMode::Bit) {
            for (std::int32_t k = 1; k < 32; ++k) {
                if (encode(cmd, x0, paramOf(YMode::Bit, k), 0, other)) mark(kY);
            }
        } else if (c.yMode == YMode::Value) {
            const std::int32_t range = c.yRange > 0 ? c.yRange : 256;
            if (encode(cmd, x0, 0, 0, other)) mark(kY);
            for (int b = 0; b < bitsFor(range); ++b) {
                for (const std::int32_t p : {1 << b, (2 << b) - 1}) {
                    if (p < range && encode(cmd, x0, p, 0, other)) mark(kY);
                }
            }
            for (int i = 0; i < 16; ++i) {
                if (encode(cmd, x0, next(range), 0, other)) mark(kY);
            }
        }
        if (c.levelMatters) {
            for (std::int32_t level = 1; level <= 10; ++level) {
                if (encode(cmd, x0, p0, level, other)) mark(kLevel);
            }
            // Bytes that carry the speed only beside some parameters (the entries of a scan
            // over several positions): compared with the same parameter at level 0.
            if (c.yMode == YMode::Value) {
                Frames reference;
                const std::int32_t all = (c.yRange > 0 ? c.yRange : 256) - 1;
                if (encode(cmd, x0, all, 0, reference) && reference.sameShape(sample)) {
                    for (std::int32_t level = 1; level <= 10; ++level) {
                        if (!encode(cmd, x0, all, level, other) || !other.sameShape(sample))
                            continue;
                        for (std::size_t i = 0; i < deps.size(); ++i) {
                            if (other.bytes[i] != reference.bytes[i]) deps[i] |= kLevel;
                        }
                    }
                }
            }
        }
    }

    static Certainty certaintyOf(const std::vector<std::uint8_t>& deps) {
        bool fixed = false;
        for (const std::uint8_t d : deps) {
            if (std::popcount(d) >= 2) return Certainty::Checksum;
            if (d == 0) fixed = true;
        }
        return fixed ? Certainty::FixedBytes : Certainty::None;
    }

    // The table from the bytes that move with one input alone back to that input's values,
    // one per frame of the command; shared with earlier commands whose table is the same.
    void invert(int cmd, Dep dim, std::int32_t range) {
        if (range <= 0) return;
        CommandModel& c = m_.commands[static_cast<std::size_t>(cmd)];
        const std::int32_t p0 = c.yMode == YMode::None ? 0 : 1;
        auto callAt = [&](std::int32_t v, Frames& out) {
            if (dim == kX) return encode(cmd, v, p0, 0, out);
            if (dim == kY) return encode(cmd, m_.x0, paramOf(c.yMode, v), 0, out);
            return encode(cmd, m_.x0, p0, v, out);
        };
        const Template& first = m_.templates[static_cast<std::size_t>(c.templates.front())];
        const std::size_t n = c.templates.size();
        std::vector<std::vector<int>> positions(n);
        std::vector<bool> needed(n, false);
        for (std::size_t k = 0; k < n; ++k) {
            const Template& t = m_.templates[static_cast<std::size_t>(c.templates[k])];
            for (std::size_t i = 0; i < t.deps.size(); ++i) {
                if (t.deps[i] & dim) needed[k] = true;
                // The code is the command's own: a byte that moves with it and this input
                // alone reads this input back.
                if ((t.deps[i] & ~kCode) == dim) positions[k].push_back(static_cast<int>(i));
            }
        }
        (void)first;
        // Signatures: the bytes at those positions for a few values, to find a table to share.
        Frames f;
        const std::int32_t probes[] = {0,   1,   2,   3,   4,    5,    7,    8,    9,
                                       10,  15,  16,  31,  32,   99,   100,  127,  128,
                                       200, 255, 256, 999, 1000, 4095, 9999, 65535};
        std::vector<std::string> signature(n);
        for (std::size_t k = 0; k < n; ++k) {
            signature[k] = std::to_string(static_cast<int>(dim)) + ":" + std::to_string(range);
            for (int pos : positions[k])
                signature[k] += "," + std::to_string(pos);
            signature[k] += "|";
        }
        for (const std::int32_t v : probes) {
            if (v >= range) break;
            const bool ok = callAt(v, f) && f.count() == n;
            for (std::size_t k = 0; k < n; ++k) {
                if (!ok) {
                    signature[k] += '#';
                    continue;
                }
                const auto frame = f.frame(k);
                for (int pos : positions[k]) {
                    signature[k] += static_cast<char>(pos < static_cast<int>(frame.size())
                                                          ? frame[static_cast<std::size_t>(pos)]
                                                          : 0);
                }
            }
        }
        std::vector<int> table(n, -1);
        bool build = false;
        for (std::size_t k = 0; k < n; ++k) {
            if (!needed[k]) continue;
            auto found = shared_.find(signature[k]);
            if (found != shared_.end()) {
                table[k] = found->second;
            } else {
                table[k] = static_cast<int>(m_.inversions.size());
                Inversion inv;
                inv.positions = positions[k];
                inv.range = range;
                m_.inversions.push_back(std::move(inv));
                shared_.emplace(signature[k], table[k]);
                building_.push_back(static_cast<int>(k));
                build = true;
            }
        }
        if (build) {
            std::string key;
            for (std::int32_t v = 0; v < range; ++v) {
                if (!callAt(v, f) || f.count() != n) continue;
                for (const int k : building_) {
                    Inversion& inv = m_.inversions[static_cast<std::size_t>(table[k])];
                    if (inv.positions.empty()) continue;
                    const auto frame = f.frame(static_cast<std::size_t>(k));
                    key.clear();
                    for (int pos : inv.positions) {
                        if (pos >= static_cast<int>(frame.size())) break;
                        key += static_cast<char>(frame[static_cast<std::size_t>(pos)]);
                    }
                    inv.values[key].push_back(v);
                }
            }
            for (const int k : building_)
                markRedundant(m_.inversions[static_cast<std::size_t>(table[k])]);
        }
        building_.clear();
        for (std::size_t k = 0; k < n; ++k) {
            Template& t = m_.templates[static_cast<std::size_t>(c.templates[k])];
            if (dim == kX) t.invX = table[k];
            if (dim == kY) t.invY = table[k];
            if (dim == kLevel) t.invLevel = table[k];
            if (table[k] >= 0 && m_.inversions[static_cast<std::size_t>(table[k])].redundant)
                t.certainty = Certainty::Checksum;
        }
    }

    // A byte that the other bytes moving with the same input already determine is computed
    // from them: the frames carry a check.
    static void markRedundant(Inversion& inv) {
        if (inv.positions.size() < 2) return;
        for (std::size_t drop = 0; drop < inv.positions.size() && !inv.redundant; ++drop) {
            std::unordered_map<std::string, int> rest;
            for (const auto& [key, values] : inv.values) {
                std::string shorter = key;
                if (drop < shorter.size()) shorter.erase(drop, 1);
                ++rest[shorter];
            }
            inv.redundant = rest.size() == inv.values.size();
        }
    }

    // Every call of a command whose frames change shape with its inputs, into the cache.
    void listCalls(int cmd) {
        CommandModel& c = m_.commands[static_cast<std::size_t>(cmd)];
        const std::int32_t xs = c.xRange > 0 ? std::min(c.xRange, 256) : 1;
        const std::int32_t ys = c.yMode != YMode::None ? 256 : 1;
        const std::int32_t levels = c.levelMatters ? 11 : 1;
        if (static_cast<std::size_t>(xs) * ys * levels > kMaxListedCalls) return;
        c.enumerated = true;
        Frames f;
        std::string key;
        for (std::int32_t x = 0; x < xs; ++x) {
            for (std::int32_t y = 0; y < ys; ++y) {
                for (std::int32_t level = 0; level < levels; ++level) {
                    if (!encode(cmd, c.xRange > 0 ? x : m_.x0, y, level, f)) continue;
                    c.frames = std::max(c.frames, static_cast<int>(f.count()));
                    for (std::size_t k = 0; k < f.count(); ++k) {
                        const auto frame = f.frame(k);
                        key.assign(frame.begin(), frame.end());
                        m_.cache.add(
                            key,
                            Interp{cmd, c.xRange > 0 ? x : kAny, c.yMode != YMode::None ? y : kAny,
                                   c.levelMatters ? level : kAny, static_cast<std::int16_t>(k),
                                   static_cast<std::int16_t>(f.count()), false});
                        listedRanges_[cmd] = {xs, ys};
                    }
                }
            }
        }
    }

    // A listed frame that every address (or every second number) gives carries none: one
    // reading with kAny instead of 256.
    void collapseListedCalls() {
        m_.cache.update([&](std::string_view, CacheEntry& entry) {
            for (const bool onX : {true, false}) {
                std::map<std::tuple<int, int, int, int, int>, std::vector<std::size_t>> alike;
                for (std::size_t i = 0; i < entry.interps.size(); ++i) {
                    const Interp& ip = entry.interps[i];
                    alike[{ip.cmd, ip.k, ip.n, ip.level, onX ? ip.y : ip.x}].push_back(i);
                }
                std::vector<Interp> kept;
                for (auto& [key, indices] : alike) {
                    const Interp& head = entry.interps[indices.front()];
                    const auto range = listedRanges_[head.cmd];
                    const std::size_t all =
                        static_cast<std::size_t>(onX ? range.first : range.second);
                    if (all > 1 && indices.size() == all) {
                        Interp any = head;
                        (onX ? any.x : any.y) = kAny;
                        kept.push_back(any);
                    } else {
                        for (std::size_t i : indices)
                            kept.push_back(entry.interps[i]);
                    }
                }
                entry.interps = std::move(kept);
            }
        });
    }

    void indexTemplates() {
        std::map<std::pair<int, std::vector<int>>, int> groupOf;
        for (std::size_t ti = 0; ti < m_.templates.size(); ++ti) {
            const Template& t = m_.templates[ti];
            std::vector<int> positions;
            for (std::size_t i = 0; i < t.deps.size(); ++i) {
                if ((t.deps[i] & (kX | kY | kLevel)) == 0) positions.push_back(static_cast<int>(i));
            }
            const int length = static_cast<int>(t.sample.size());
            auto [it, fresh] =
                groupOf.try_emplace({length, positions}, static_cast<int>(m_.groups.size()));
            if (fresh) {
                KeyGroup g;
                g.length = length;
                g.positions = positions;
                for (std::size_t i = 0; i < t.deps.size(); ++i) {
                    if (t.deps[i] == 0) {
                        g.fixedPositions.push_back(static_cast<int>(i));
                        g.fixedValues.push_back(t.sample[i]);
                    }
                }
                m_.groups.push_back(std::move(g));
            }
            KeyGroup& g = m_.groups[static_cast<std::size_t>(it->second)];
            std::string key;
            for (int pos : positions)
                key += static_cast<char>(t.sample[static_cast<std::size_t>(pos)]);
            g.byKey[key].push_back(static_cast<int>(ti));
            // Fixed in every template of the group, with the same value.
            std::vector<int> fixedPositions;
            std::vector<std::uint8_t> fixedValues;
            for (std::size_t i = 0; i < g.fixedPositions.size(); ++i) {
                const auto pos = static_cast<std::size_t>(g.fixedPositions[i]);
                if (t.deps[pos] == 0 && t.sample[pos] == g.fixedValues[i]) {
                    fixedPositions.push_back(g.fixedPositions[i]);
                    fixedValues.push_back(g.fixedValues[i]);
                }
            }
            g.fixedPositions = std::move(fixedPositions);
            g.fixedValues = std::move(fixedValues);
            m_.anyTemplates = true;
        }
        std::map<int, LengthInfo, std::greater<>> lengths;
        for (std::size_t gi = 0; gi < m_.groups.size(); ++gi) {
            const KeyGroup& g = m_.groups[gi];
            LengthInfo& info = lengths[g.length];
            info.length = g.length;
            info.groups.push_back(static_cast<int>(gi));
            if (!g.positions.empty() && g.positions.front() == 0) {
                for (const auto& [key, ts] : g.byKey)
                    info.firstByte[static_cast<std::uint8_t>(key[0])] = true;
            } else {
                info.firstByte.fill(true);
            }
        }
        m_.cache.forEach([&](std::string_view bytes, const CacheEntry&) {
            LengthInfo& info = lengths[static_cast<int>(bytes.size())];
            info.length = static_cast<int>(bytes.size());
            info.firstByte[static_cast<std::uint8_t>(bytes[0])] = true;
        });
        for (auto& [length, info] : lengths) {
            m_.longest = std::max(m_.longest, length);
            m_.lengths.push_back(std::move(info));
        }
    }

    Model& m_;
    const LineDecoderOptions& options_;
    std::unordered_map<std::string, int> shared_;
    std::vector<int> building_;
    std::map<int, std::pair<std::int32_t, std::int32_t>> listedRanges_;
};

void readRow(Model& m, RecordSet& table, int& length, std::uint8_t& stay,
             std::array<std::int32_t, 11>& speeds) {
    const std::string protocol = "protocol " + std::to_string(m.protocolId);
    SendResult refusal;
    if (!locateProtocolRow(table, m.protocolId, refusal)) {
        throw LineDecoderError(refusal.refusal == Refusal::NoRow
                                   ? protocol + " has no row"
                                   : protocol + ": " + refusal.message);
    }
    ProtocolRow row(table);
    try {
        length = row.length();
        m.base = row.wireAddress(0);
        if (m.kind == EncoderKind::Dome) {
            stay = row.stayTime();
            for (std::int32_t level = 0; level <= 10; ++level)
                speeds[static_cast<std::size_t>(level)] = row.speed(level);
        }
    } catch (const RowRefused& refused) {
        throw LineDecoderError(protocol + ": " + refused.result.message);
    }
    for (const std::string& name : table.fieldNames()) {
        if (!isCommandField(name)) continue;
        try {
            const std::uint32_t code = row.code(name);
            CommandModel c;
            c.name = name;
            c.code = code;
            m.commands.push_back(std::move(c));
            m.names.push_back(name);
        } catch (const RowRefused&) {
            // An empty field: the command is not sent, so never seen.
        }
    }
}

}  // namespace

Model buildModel(EncoderKind kind, int protocolId, RecordSet* table,
                 const LineDecoderOptions& options) {
    Model m;
    m.kind = kind;
    m.protocolId = protocolId;
    const std::string protocol = "protocol " + std::to_string(protocolId);
    if (kind == EncoderKind::Switcher) {
        m.encoder = switcherEncoder(protocolId);
        if (!m.encoder) throw LineDecoderError("switcher " + protocol + " is none of 4, 15, 28");
        m.commands.push_back(CommandModel{});
        m.commands.back().name = "connect";
        m.names.push_back("connect");
        m.x0 = 1;
    } else {
        if (table == nullptr) throw LineDecoderError(protocol + ": no protocol table");
        int length = 0;
        std::uint8_t stay = 0;
        std::array<std::int32_t, 11> speeds{};
        readRow(m, *table, length, stay, speeds);
        std::vector<std::string> names = m.names;
        m.encoder = kind == EncoderKind::Dome
                        ? domeEncoder(protocolId, length, std::move(names), stay, speeds)
                        : decoderEncoder(protocolId, length, std::move(names));
        if (!m.encoder) {
            throw LineDecoderError(protocol + " has no " +
                                   (kind == EncoderKind::Dome ? "dome" : "decoder") + " layout");
        }
    }
    Builder(m, options).run();
    return m;
}

}  // namespace kavro::readback
