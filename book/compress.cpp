// The book build's compressor, for the token set the decoder reads (see decompress.cpp).
// Costs in output bytes: a plain byte (0x00, 0x09-0x7F) 1; a space followed by 0x40-0x7F 1;
// a run of k bytes (1 to 8, any values; the only way to carry 0x01-0x08 and 0x80-0xFF) 1 + k;
// a back-reference of 3 to 10 bytes at distance 1 to 2047 costs 2 whatever its distance.
//
// Because a back-reference's cost does not depend on its distance, the optimal parse needs
// only the longest match at each position: every shorter length is available at the same
// distance. The optimal parse finds those for every position, then chooses tokens by dynamic
// programming from the end of the input.
#include <algorithm>
#include <bit>
#include <cstring>

#include "book/book.h"

namespace {

constexpr size_t kWindow = 2047;
constexpr size_t kMinMatch = 3;
constexpr size_t kMaxMatch = 10;
constexpr size_t kMaxRun = 8;
constexpr int kMinHashBits = 8;
constexpr int kMaxHashBits = 16;

bool IsPlain(uint8_t b) { return b == 0 || (b >= 0x09 && b <= 0x7F); }
bool IsPairSecond(uint8_t b) { return b >= 0x40 && b <= 0x7F; }

struct Match {
    size_t length = 0;  // 0 when there is no match of kMinMatch bytes or more
    size_t distance = 0;
};

// Hash chains over 3-byte prefixes. Positions must be inserted in increasing order; a search
// sees only positions inserted before it, within the window.
class MatchFinder {
public:
    explicit MatchFinder(std::span<const uint8_t> in)
        : in_(in), hashBits_(HashBits(in.size())), head_(size_t{1} << hashBits_, -1),
          prev_(in.size(), -1) {}

    void Insert(size_t pos) {
        if (in_.size() - pos < kMinMatch) return;
        Link(pos, Hash(pos));
    }

    // The longest match at `pos` (the nearest one among equals), up to kMaxMatch bytes;
    // then inserts `pos`.
    Match LongestThenInsert(size_t pos) {
        Match best;
        size_t limit = std::min(kMaxMatch, in_.size() - pos);
        if (limit < kMinMatch) return best;
        uint32_t h = Hash(pos);
        const uint8_t* cur = in_.data() + pos;
        size_t bestLength = kMinMatch - 1;
        int32_t cand = head_[h];
        Link(pos, h);
        if (in_.size() - pos >= 16) {
            // Whole words may be compared: the candidate lies before `pos`, so its 16 bytes
            // are inside the input too.
            for (; cand >= 0; cand = prev_[cand]) {
                size_t distance = pos - static_cast<size_t>(cand);
                if (distance > kWindow) break;
                size_t length = std::min(WordMatchLength(in_.data() + cand, cur), limit);
                if (length > bestLength) {
                    bestLength = length;
                    best = {length, distance};
                    if (length == limit) break;
                }
            }
            return best;
        }
        for (; cand >= 0; cand = prev_[cand]) {
            size_t distance = pos - static_cast<size_t>(cand);
            if (distance > kWindow) break;
            const uint8_t* prior = in_.data() + cand;
            size_t length = 0;
            while (length < limit && prior[length] == cur[length]) length++;
            if (length > bestLength) {
                bestLength = length;
                best = {length, distance};
                if (length == limit) break;
            }
        }
        return best;
    }

private:
    static uint64_t Load64(const uint8_t* p) {
        uint64_t v;
        std::memcpy(&v, p, 8);
        return v;
    }

    // The number of equal leading bytes of two 16-byte spans.
    static size_t WordMatchLength(const uint8_t* a, const uint8_t* b) {
        uint64_t diff = Load64(a) ^ Load64(b);
        if (diff != 0) return FirstDifference(diff);
        diff = Load64(a + 8) ^ Load64(b + 8);
        return 8 + (diff != 0 ? FirstDifference(diff) : 8);
    }
    // The index of the first differing byte in memory order, from the XOR of two words.
    static size_t FirstDifference(uint64_t diff) {
        if constexpr (std::endian::native == std::endian::little) {
            return static_cast<size_t>(std::countr_zero(diff)) / 8;
        } else {
            return static_cast<size_t>(std::countl_zero(diff)) / 8;
        }
    }

    void Link(size_t pos, uint32_t h) {
        prev_[pos] = head_[h];
        head_[h] = static_cast<int32_t>(pos);
    }

    uint32_t Hash(size_t pos) const {
        uint32_t v = static_cast<uint32_t>(in_[pos]) << 16 |
                     static_cast<uint32_t>(in_[pos + 1]) << 8 | in_[pos + 2];
        return (v * 2654435761u) >> (32 - hashBits_);
    }

    // About two heads per input byte, so that small chunks clear a small table.
    static int HashBits(size_t n) {
        int bits = kMinHashBits;
        while (bits < kMaxHashBits && (size_t{1} << bits) < 2 * n) bits++;
        return bits;
    }

    std::span<const uint8_t> in_;
    int hashBits_;
    std::vector<int32_t> head_;
    std::vector<int32_t> prev_;
};

class TokenWriter {
public:
    explicit TokenWriter(std::vector<uint8_t>* out) : out_(out) {}
    void Plain(uint8_t b) { out_->push_back(b); }
    void Pair(uint8_t second) { out_->push_back(static_cast<uint8_t>(second ^ 0x80)); }
    void Run(const uint8_t* bytes, size_t k) {
        out_->push_back(static_cast<uint8_t>(k));
        out_->insert(out_->end(), bytes, bytes + k);
    }
    void Reference(size_t distance, size_t length) {
        // distance <= 2047 keeps the first byte within 0x80-0xBF.
        size_t x = distance << 3 | (length - kMinMatch);
        out_->push_back(static_cast<uint8_t>(0x80 | x >> 8));
        out_->push_back(static_cast<uint8_t>(x));
    }

private:
    std::vector<uint8_t>* out_;
};

std::vector<uint8_t> CompressGreedy(std::span<const uint8_t> in) {
    std::vector<uint8_t> out;
    out.reserve(in.size() / 2 + 16);
    TokenWriter writer(&out);
    MatchFinder finder(in);
    const size_t n = in.size();
    size_t pos = 0;
    while (pos < n) {
        Match m = finder.LongestThenInsert(pos);
        if (m.length >= kMinMatch) {
            writer.Reference(m.distance, m.length);
            for (size_t i = 1; i < m.length; i++) finder.Insert(pos + i);
            pos += m.length;
            continue;
        }
        uint8_t b = in[pos];
        if (b == ' ' && pos + 1 < n && IsPairSecond(in[pos + 1])) {
            writer.Pair(in[pos + 1]);
            finder.Insert(pos + 1);
            pos += 2;
        } else if (IsPlain(b)) {
            writer.Plain(b);
            pos++;
        } else {
            // A run takes the bytes that need one; plain bytes cost the same on their own.
            size_t k = 1;
            while (k < kMaxRun && pos + k < n && !IsPlain(in[pos + k])) k++;
            writer.Run(in.data() + pos, k);
            for (size_t i = 1; i < k; i++) finder.Insert(pos + i);
            pos += k;
        }
    }
    return out;
}

std::vector<uint8_t> CompressOptimal(std::span<const uint8_t> in) {
    const size_t n = in.size();
    // Longest match at every position. Lengths fit a byte; distances 11 bits.
    std::vector<uint8_t> matchLength(n);
    std::vector<uint16_t> matchDistance(n);
    {
        MatchFinder finder(in);
        for (size_t pos = 0; pos < n; pos++) {
            Match m = finder.LongestThenInsert(pos);
            matchLength[pos] = static_cast<uint8_t>(m.length);
            matchDistance[pos] = static_cast<uint16_t>(m.distance);
        }
    }

    // cost[i]: the fewest output bytes that encode in[i, n). choice[i]: the first token of
    // such an encoding: kPlainChoice, kPairChoice, kRunChoice + k or kRefChoice + length.
    // Every position has at least a plain byte or a run of one, so every cost is finite.
    enum : uint8_t { kPlainChoice = 1, kPairChoice = 2, kRunChoice = 0x10, kRefChoice = 0x20 };
    std::vector<uint32_t> cost(n + 1);
    std::vector<uint8_t> choice(n);
    cost[n] = 0;
    for (size_t i = n; i-- > 0;) {
        uint32_t best = UINT32_MAX;
        uint8_t pick = 0;
        // Every length up to the longest match is available at its distance. Ties go to the
        // longer reference, so that the decoder meets fewer tokens.
        for (size_t len = matchLength[i]; len >= kMinMatch; len--) {
            uint32_t c = 2 + cost[i + len];
            if (c < best) {
                best = c;
                pick = static_cast<uint8_t>(kRefChoice + len);
            }
        }
        uint8_t b = in[i];
        if (b == ' ' && i + 1 < n && IsPairSecond(in[i + 1]) && 1 + cost[i + 2] < best) {
            best = 1 + cost[i + 2];
            pick = kPairChoice;
        }
        if (IsPlain(b) && 1 + cost[i + 1] < best) {
            best = 1 + cost[i + 1];
            pick = kPlainChoice;
        }
        // A run that starts with a plain byte never beats that byte alone followed by the
        // rest of the run, so runs start only at bytes that need one.
        size_t maxRun = IsPlain(b) ? 0 : std::min(kMaxRun, n - i);
        for (size_t k = 1; k <= maxRun; k++) {
            uint32_t c = static_cast<uint32_t>(1 + k) + cost[i + k];
            if (c < best) {
                best = c;
                pick = static_cast<uint8_t>(kRunChoice + k);
            }
        }
        cost[i] = best;
        choice[i] = pick;
    }

    std::vector<uint8_t> out;
    out.reserve(cost[0]);
    TokenWriter writer(&out);
    size_t pos = 0;
    while (pos < n) {
        uint8_t pick = choice[pos];
        if (pick == kPlainChoice) {
            writer.Plain(in[pos]);
            pos++;
        } else if (pick == kPairChoice) {
            writer.Pair(in[pos + 1]);
            pos += 2;
        } else if (pick >= kRefChoice) {
            size_t len = pick - kRefChoice;
            writer.Reference(matchDistance[pos], len);
            pos += len;
        } else {
            size_t k = pick - kRunChoice;
            writer.Run(in.data() + pos, k);
            pos += k;
        }
    }
    return out;
}

}  // namespace

std::vector<uint8_t> PalmDocCompress(std::span<const uint8_t> in, ParseMode mode) {
    return mode == ParseMode::kGreedy ? CompressGreedy(in) : CompressOptimal(in);
}
