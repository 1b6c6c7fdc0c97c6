// Matching a byte stream against what readback_build.cpp learnt of a row. At each position the
// windows of every frame length are tried, longest first: a window seen before is looked up
// whole; a new one is keyed by its fixed bytes, its address, parameter and level are read
// back through the tables, and the encoder is called with them: only a window equal to the
// encoder's frame is a frame. Consecutive frames that continue one call (the next frame of it,
// or one more scan position) are grouped, and the group is checked against the encoder's
// whole call before it is named.
#include <algorithm>
#include <cmath>
#include <tuple>

#include "kavro/line_decoder.hpp"
#include "ptz/readback_model.hpp"

namespace kavro {

using readback::CacheEntry;
using readback::CommandModel;
using readback::Frames;
using readback::Interp;
using readback::kAny;
using readback::LengthInfo;
using readback::YMode;

std::string_view certaintyName(Certainty certainty) noexcept {
    switch (certainty) {
        case Certainty::Checksum:
            return "checksum";
        case Certainty::FixedBytes:
            return "fixed bytes";
        case Certainty::None:
            break;
    }
    return "none";
}

namespace {

constexpr std::string_view kBadChecksum = "bad checksum";
constexpr std::string_view kUnknownCode = "unknown code";
constexpr std::string_view kNoFrame = "no frame starts here";
constexpr std::size_t kLongestRun = 256;         // bytes of one run that is no frame, at most
constexpr std::size_t kCacheLimit = 1u << 20;    // windows kept once solved
constexpr std::size_t kMemoLimit = 1u << 18;     // encoder calls kept
constexpr std::size_t kMostCandidates = 4096;    // readings tried for one window
constexpr std::size_t kMostThreads = 512;        // calls a group may still be
constexpr std::size_t kCompactAfter = 1u << 16;  // bytes consumed before the buffer moves

struct CallKey {
    std::int32_t cmd, x, p, level;
    bool operator==(const CallKey&) const = default;
};
struct CallKeyHash {
    std::size_t operator()(const CallKey& k) const noexcept {
        std::uint64_t h = static_cast<std::uint32_t>(k.cmd);
        h = h * 0x9E3779B97F4A7C15ULL ^ static_cast<std::uint32_t>(k.x);
        h = h * 0x9E3779B97F4A7C15ULL ^ static_cast<std::uint32_t>(k.p);
        h = h * 0x9E3779B97F4A7C15ULL ^ static_cast<std::uint32_t>(k.level);
        return static_cast<std::size_t>(h ^ (h >> 29));
    }
};

bool compatible(std::int32_t a, std::int32_t b) {
    return a == kAny || b == kAny || a == b;
}
std::int32_t merged(std::int32_t a, std::int32_t b) {
    return a == kAny ? b : a;
}

}  // namespace

struct LineDecoder::Impl {
    readback::Model m;
    std::unordered_map<CallKey, Frames, CallKeyHash> memo;

    std::vector<std::uint8_t> buf;
    std::uint64_t bufOffset = 0;
    std::size_t pos = 0;

    // A call the open group may be: its values so far and the frame number reached.
    struct Thread {
        std::int32_t cmd, x, y, level;
        std::int16_t k, n;
        std::uint32_t mask;  // Bit mode: the scan positions seen
    };
    std::vector<Thread> threads, next;
    bool groupOpen = false;
    std::size_t groupStart = 0, groupEnd = 0;
    int groupFrames = 0;

    bool runOpen = false;
    std::size_t runStart = 0, runUntil = 0;
    std::string_view runReason;

    std::vector<Interp> solved;
    std::vector<std::int32_t> cmdScratch;
    std::vector<const Thread*> verifiedScratch;
    std::vector<std::string_view> names;
    std::vector<std::int32_t> allValues[3];
    std::string key;
    std::uint64_t commands = 0, unrecognised = 0;
    Certainty weakest = Certainty::Checksum;
    std::int32_t highest = -1;

    const CommandModel& command(std::int32_t cmd) const {
        return m.commands[static_cast<std::size_t>(cmd)];
    }
    std::int32_t paramFor(const CommandModel& c, std::int32_t y) const {
        if (c.yMode == YMode::Bit) return y == kAny ? 1 : static_cast<std::int32_t>(1u << (y & 31));
        if (c.yMode == YMode::Value) return y == kAny ? 1 : y;
        return 0;
    }
    bool repeatable(const CommandModel& c, int k) const {
        if (c.enumerated || k < 0 || k >= static_cast<int>(c.templates.size())) return false;
        return m.templates[static_cast<std::size_t>(c.templates[static_cast<std::size_t>(k)])]
            .repeatable;
    }

    // The encoder's frames for a call, kept for the next time.
    const Frames& frames(const CallKey& k) {
        auto found = memo.find(k);
        if (found != memo.end()) return found->second;
        Frames& f = memo[k];
        const CommandModel& c = command(k.cmd);
        if (!m.encoder->encode(readback::Call{k.cmd, c.code, k.x, k.p, k.level}, f)) f.clear();
        return f;
    }

    Frames once;
    const Frames& encodeOnce(const CallKey& k) {
        const CommandModel& c = command(k.cmd);
        if (!m.encoder->encode(readback::Call{k.cmd, c.code, k.x, k.p, k.level}, once))
            once.clear();
        return once;
    }

    std::span<const std::int32_t> candidates(int inversion, const std::uint8_t* w, int slot) {
        static const std::int32_t any[] = {kAny};
        if (inversion < 0) return any;
        const readback::Inversion& inv = m.inversions[static_cast<std::size_t>(inversion)];
        if (inv.positions.empty()) {
            std::vector<std::int32_t>& all = allValues[slot];
            all.resize(static_cast<std::size_t>(std::min<std::int32_t>(inv.range, 256)));
            for (std::size_t v = 0; v < all.size(); ++v)
                all[v] = static_cast<std::int32_t>(v);
            return all;
        }
        key.clear();
        for (int p : inv.positions)
            key += static_cast<char>(w[p]);
        auto found = inv.values.find(key);
        if (found == inv.values.end()) return {};
        return found->second;
    }

    // Every reading of the window by the templates of its length; near says why none fits.
    void solve(const LengthInfo& li, const std::uint8_t* w, std::string_view& near) {
        for (int gi : li.groups) {
            const readback::KeyGroup& g = m.groups[static_cast<std::size_t>(gi)];
            key.clear();
            for (int p : g.positions)
                key += static_cast<char>(w[p]);
            auto found = g.byKey.find(key);
            if (found == g.byKey.end()) {
                if (near.empty() && !g.fixedPositions.empty()) {
                    bool fits = true;
                    for (std::size_t i = 0; i < g.fixedPositions.size() && fits; ++i)
                        fits = w[g.fixedPositions[i]] == g.fixedValues[i];
                    if (fits) near = kUnknownCode;
                }
                continue;
            }
            for (int ti : found->second) {
                const readback::Template& t = m.templates[static_cast<std::size_t>(ti)];
                const CommandModel& c = command(t.cmd);
                const auto xs = candidates(t.invX, w, 0);
                const auto ys = candidates(t.invY, w, 1);
                const auto ls = candidates(t.invLevel, w, 2);
                bool hit = false;
                if (xs.size() * ys.size() * ls.size() <= kMostCandidates) {
                    for (std::size_t a = 0; a < xs.size() && !hit; ++a) {
                        for (std::size_t b = 0; b < ys.size() && !hit; ++b) {
                            for (std::size_t l = 0; l < ls.size() && !hit; ++l) {
                                const CallKey call{t.cmd, xs[a] == kAny ? m.x0 : xs[a],
                                                   paramFor(c, ys[b]), ls[l] == kAny ? 0 : ls[l]};
                                const Frames& f = frames(call);
                                if (f.count() <= static_cast<std::size_t>(t.k)) continue;
                                const auto frame = f.frame(static_cast<std::size_t>(t.k));
                                if (frame.size() != static_cast<std::size_t>(li.length) ||
                                    !std::equal(frame.begin(), frame.end(), w))
                                    continue;
                                hit = true;
                                solved.push_back(Interp{
                                    t.cmd, xs[a], ys[b], ls[l], static_cast<std::int16_t>(t.k),
                                    static_cast<std::int16_t>(f.count()), t.repeatable});
                            }
                        }
                    }
                }
                if (!hit && near.empty())
                    near = t.certainty == Certainty::Checksum ? kBadChecksum : kUnknownCode;
            }
        }
    }

    struct Match {
        int length = 0;
        std::span<const Interp> interps;
        std::string_view near;
        int nearLength = 0;
    };

    Match matchAt(std::size_t i, std::size_t avail) {
        Match match;
        const std::uint8_t* w = buf.data() + i;
        for (const LengthInfo& li : m.lengths) {
            const auto length = static_cast<std::size_t>(li.length);
            if (length > avail || !li.firstByte[w[0]]) continue;
            const std::string_view window(reinterpret_cast<const char*>(w), length);
            const std::optional<readback::CacheView> cached = m.cache.find(window);
            if (cached && (cached->solved || !m.anyTemplates)) {
                match.length = li.length;
                match.interps = cached->interps;
                return match;
            }
            if (li.groups.empty()) continue;
            solved.clear();
            if (cached) solved.assign(cached->interps.begin(), cached->interps.end());
            std::string_view near;
            solve(li, w, near);
            if (!solved.empty()) {
                match.length = li.length;
                if (cached || m.cache.size() < kCacheLimit)
                    match.interps = m.cache.store(window, solved, true).interps;
                else
                    match.interps = solved;
                return match;
            }
            if (!near.empty() && match.near.empty()) {
                match.near = near;
                match.nearLength = li.length;
            }
        }
        return match;
    }

    // The next frame's slot is loaded while this frame is grouped: frames follow frames.
    void prefetchAt(std::size_t i) const {
        const LengthInfo& li = m.lengths.front();
        if (buf.size() - i < static_cast<std::size_t>(li.length)) return;
        m.cache.prefetch(
            std::string_view(reinterpret_cast<const char*>(buf.data() + i), li.length));
    }

    // Grouping.
    Thread threadOf(const Interp& ip) const {
        const CommandModel& c = command(ip.cmd);
        const bool bit = c.yMode == YMode::Bit;
        return Thread{ip.cmd,
                      ip.x,
                      bit ? kAny : ip.y,
                      ip.level,
                      ip.k,
                      ip.n,
                      bit && ip.y != kAny ? 1u << (ip.y & 31) : 0u};
    }

    bool follows(const CommandModel& c, const Thread& th, const Interp& ip) const {
        if (ip.n != th.n) return false;
        if (ip.k == th.k + 1) return true;
        if (ip.k == th.k) return repeatable(c, th.k);
        if (ip.k <= th.k) return false;
        for (int k = th.k + 1; k < ip.k; ++k) {
            if (!repeatable(c, k)) return false;
        }
        return true;
    }

    bool extend(std::span<const Interp> ips) {
        next.clear();
        for (const Thread& th : threads) {
            const CommandModel& c = command(th.cmd);
            for (const Interp& ip : ips) {
                if (ip.cmd != th.cmd || !compatible(th.x, ip.x) || !compatible(th.level, ip.level))
                    continue;
                if (c.yMode != YMode::Bit && !compatible(th.y, ip.y)) continue;
                if (!follows(c, th, ip) || next.size() >= kMostThreads) continue;
                Thread t = th;
                t.x = merged(th.x, ip.x);
                t.level = merged(th.level, ip.level);
                if (c.yMode == YMode::Bit) {
                    if (ip.y != kAny) t.mask |= 1u << (ip.y & 31);
                } else {
                    t.y = merged(th.y, ip.y);
                }
                t.k = ip.k;
                next.push_back(t);
            }
        }
        if (next.empty()) return false;
        threads.swap(next);
        return true;
    }

    bool allEnded() const {
        for (const Thread& th : threads) {
            if (th.k != th.n - 1 || repeatable(command(th.cmd), th.k)) return false;
        }
        return true;
    }

    void onFrame(std::size_t i, int length, std::span<const Interp> ips, ItemSink sink) {
        if (groupOpen && groupEnd == i && extend(ips)) {
            groupEnd = i + static_cast<std::size_t>(length);
            ++groupFrames;
            if (allEnded()) emitGroup(sink);
            return;
        }
        if (groupOpen) emitGroup(sink);
        threads.clear();
        for (const Interp& ip : ips) {
            if (ip.k == 0 && threads.size() < kMostThreads) threads.push_back(threadOf(ip));
        }
        groupStart = i;
        groupEnd = i + static_cast<std::size_t>(length);
        groupFrames = 1;
        groupOpen = true;
        if (threads.empty()) {
            // A frame from the middle of a call, its beginning not seen.
            for (const Interp& ip : ips)
                threads.push_back(threadOf(ip));
        }
        if (allEnded()) emitGroup(sink);
    }

    void emitGroup(ItemSink sink) {
        groupOpen = false;
        const std::span<const std::uint8_t> bytes(buf.data() + groupStart, groupEnd - groupStart);
        names.clear();
        const Thread* best = nullptr;
        int expected = 0;
        std::vector<std::int32_t>& cmds = cmdScratch;
        std::vector<const Thread*>& verified = verifiedScratch;
        cmds.clear();
        verified.clear();
        for (const Thread& th : threads) {
            if (th.k != th.n - 1) continue;
            const CommandModel& c = command(th.cmd);
            int count = th.n;
            if (groupFrames != 1 || th.n != 1) {
                const std::int32_t p =
                    c.yMode == YMode::Bit ? static_cast<std::int32_t>(th.mask) : paramFor(c, th.y);
                const CallKey call{th.cmd, th.x == kAny ? m.x0 : th.x, p,
                                   th.level == kAny ? 0 : th.level};
                // A scan's positions are seldom sent twice alike: its call is made afresh
                // rather than kept.
                const Frames& f = c.yMode == YMode::Bit ? encodeOnce(call) : frames(call);
                if (f.count() != static_cast<std::size_t>(groupFrames) ||
                    !std::equal(f.bytes.begin(), f.bytes.end(), bytes.begin(), bytes.end()))
                    continue;
                count = static_cast<int>(f.count());
            }
            // The reading with the smallest parameter, then address, is the one named; other
            // commands are named beside it when they send these bytes with the same values.
            if (best == nullptr || std::tie(th.y, th.mask, th.x, th.level) <
                                       std::tie(best->y, best->mask, best->x, best->level)) {
                best = &th;
                expected = count;
            }
            verified.push_back(&th);
        }
        if (best != nullptr) {
            for (const Thread* th : verified) {
                if (th->y == best->y && th->mask == best->mask && th->x == best->x &&
                    th->level == best->level &&
                    std::find(cmds.begin(), cmds.end(), th->cmd) == cmds.end())
                    cmds.push_back(th->cmd);
            }
        }
        if (best == nullptr) {  // cut short: name what it may be
            for (const Thread& th : threads) {
                if (best == nullptr) best = &th;
                if (std::find(cmds.begin(), cmds.end(), th.cmd) == cmds.end())
                    cmds.push_back(th.cmd);
            }
            expected = best->n;
        }
        std::sort(cmds.begin(), cmds.end());
        for (std::int32_t cmd : cmds)
            names.push_back(m.names[static_cast<std::size_t>(cmd)]);

        const CommandModel& c = command(best->cmd);
        DecodedItem item;
        item.offset = bufOffset + groupStart;
        item.bytes = bytes;
        item.commands = names;
        item.certainty = c.certainty;
        item.frames = groupFrames;
        item.expectedFrames = std::max(expected, groupFrames);
        if (m.kind == EncoderKind::Switcher) {
            item.kind = DecodedItem::Kind::Connection;
            item.first = best->x;
            item.second = best->y;
        } else {
            item.kind = DecodedItem::Kind::Command;
            if (c.xRange > 0 && best->x != kAny) item.camera = best->x - m.base;
            if (c.yMode == YMode::Bit) item.parameter = static_cast<std::int32_t>(best->mask);
            if (c.yMode == YMode::Value && best->y != kAny) item.parameter = best->y;
            if (c.levelMatters && best->level != kAny) item.speed = best->level;
        }
        ++commands;
        sink(item);
    }

    void flushRun(std::size_t end, ItemSink sink) {
        if (!runOpen) return;
        runOpen = false;
        if (end <= runStart) return;
        DecodedItem item;
        item.kind = DecodedItem::Kind::NoFrame;
        item.offset = bufOffset + runStart;
        item.bytes = {buf.data() + runStart, end - runStart};
        item.reason = runReason;
        unrecognised += end - runStart;
        sink(item);
    }

    void noFrame(std::size_t i, const Match& match, ItemSink sink) {
        if (runOpen) {
            const bool nearRun = runReason != kNoFrame;
            if ((nearRun && i >= runUntil) || (!nearRun && !match.near.empty()) ||
                i - runStart >= kLongestRun)
                flushRun(i, sink);
        }
        if (!runOpen) {
            runOpen = true;
            runStart = i;
            runReason = match.near.empty() ? kNoFrame : match.near;
            runUntil = i + static_cast<std::size_t>(match.nearLength);
        }
    }

    void process(bool final, ItemSink sink) {
        if (memo.size() > kMemoLimit) memo.clear();
        while (pos < buf.size()) {
            const std::size_t avail = buf.size() - pos;
            if (!final && avail < static_cast<std::size_t>(m.longest)) break;
            const Match match = matchAt(pos, avail);
            if (match.length > 0) {
                prefetchAt(pos + static_cast<std::size_t>(match.length));
                flushRun(pos, sink);
                onFrame(pos, match.length, match.interps, sink);
                pos += static_cast<std::size_t>(match.length);
            } else {
                if (groupOpen) emitGroup(sink);
                noFrame(pos, match, sink);
                ++pos;
            }
        }
        if (final) {
            flushRun(pos, sink);
            if (groupOpen) emitGroup(sink);
        }
        std::size_t keep = pos;
        if (runOpen) keep = std::min(keep, runStart);
        if (groupOpen) keep = std::min(keep, groupStart);
        if (keep >= kCompactAfter || (final && keep == buf.size())) {
            buf.erase(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(keep));
            bufOffset += keep;
            pos -= keep;
            runStart -= std::min(runStart, keep);
            runUntil -= std::min(runUntil, keep);
            groupStart -= std::min(groupStart, keep);
            groupEnd -= std::min(groupEnd, keep);
        }
    }
};

LineDecoder::LineDecoder(EncoderKind kind, int protocolId, RecordSet* table,
                         const LineDecoderOptions& options)
    : impl_(std::make_unique<Impl>()) {
    impl_->m = readback::buildModel(kind, protocolId, table, options);
    Certainty weakest = Certainty::Checksum;
    std::int32_t highest = -1;
    for (const CommandModel& c : impl_->m.commands) {
        if (c.frames == 0) continue;
        if (static_cast<int>(c.certainty) > static_cast<int>(weakest)) weakest = c.certainty;
        highest = std::max(highest, c.xRange - 1);
    }
    impl_->weakest = weakest;
    impl_->highest = highest;
}

LineDecoder::~LineDecoder() = default;
LineDecoder::LineDecoder(LineDecoder&&) noexcept = default;
LineDecoder& LineDecoder::operator=(LineDecoder&&) noexcept = default;

void LineDecoder::feed(std::span<const std::uint8_t> bytes, ItemSink sink) {
    impl_->buf.insert(impl_->buf.end(), bytes.begin(), bytes.end());
    impl_->process(false, sink);
}

void LineDecoder::finish(ItemSink sink) {
    impl_->process(true, sink);
}

const std::vector<std::string>& LineDecoder::commandNames() const noexcept {
    return impl_->m.names;
}
Certainty LineDecoder::certainty() const noexcept {
    return impl_->weakest;
}
std::int32_t LineDecoder::highestWireAddress() const noexcept {
    return impl_->highest;
}
std::int32_t LineDecoder::baseAddress() const noexcept {
    return impl_->m.base;
}
double LineDecoder::randomMatchChance() const noexcept {
    const readback::Model& m = impl_->m;
    auto keys = [&](int inversion) -> double {
        if (inversion < 0) return 1.0;
        const readback::Inversion& inv = m.inversions[static_cast<std::size_t>(inversion)];
        return inv.positions.empty() ? inv.range : static_cast<double>(inv.values.size());
    };
    double chance = 0;
    for (const readback::Template& t : m.templates) {
        chance += keys(t.invX) * keys(t.invY) * keys(t.invLevel) /
                  std::pow(256.0, static_cast<double>(t.sample.size()));
    }
    m.cache.forEach([&](std::string_view bytes, const CacheEntry& entry) {
        bool listed = false;
        for (const Interp& ip : entry.interps)
            listed = listed || impl_->command(ip.cmd).enumerated;
        if (listed) chance += 1.0 / std::pow(256.0, static_cast<double>(bytes.size()));
    });
    return chance;
}

std::uint64_t LineDecoder::commandsSeen() const noexcept {
    return impl_->commands;
}
std::uint64_t LineDecoder::unrecognisedBytes() const noexcept {
    return impl_->unrecognised;
}

}  // namespace kavro
