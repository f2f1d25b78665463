#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "book/book.h"
#include "tests/book/fixtures.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Checks that `packed` expands to exactly `in` and that the expansion uses every byte of it,
// as the book check demands of every chunk.
void ExpectExactRoundTrip(const Bytes& in, const Bytes& packed) {
    Bytes out(in.size());
    DecodeResult r = PalmDocDecode(packed, out);
    ASSERT_EQ(r.status, DecodeStatus::kOk);
    EXPECT_EQ(r.written, in.size());
    EXPECT_EQ(r.consumed, packed.size()) << "compressed bytes left over";
    EXPECT_TRUE(out == in) << "expansion differs";
}

std::vector<std::pair<std::string, Bytes>> RoundTripInputs() {
    std::mt19937 rng(11);
    auto random = [&rng](size_t n) {
        Bytes b(n);
        for (auto& x : b) x = static_cast<uint8_t>(rng());
        return b;
    };
    std::vector<std::pair<std::string, Bytes>> inputs;
    // Every input of up to two bytes over a set of interesting byte values.
    const uint8_t kValues[] = {0x00, 0x01, 0x08, 0x09, 0x20, 0x3F, 0x40, 0x7F, 0x80, 0xC0, 0xFF};
    inputs.push_back({"empty", {}});
    for (uint8_t a : kValues) {
        inputs.push_back({"one byte " + std::to_string(a), {a}});
        for (uint8_t b : kValues) {
            inputs.push_back({"two bytes " + std::to_string(a) + " " + std::to_string(b), {a, b}});
        }
    }
    inputs.push_back({"three equal", {'a', 'a', 'a'}});
    inputs.push_back({"random 1000", random(1000)});
    inputs.push_back({"random 65535", random(65535)});
    inputs.push_back({"run 65535", Bytes(65535, 'x')});
    inputs.push_back({"high run 65535", Bytes(65535, 0xE9)});
    inputs.push_back({"English 65535", EnglishLikeText(65535, 3)});
    inputs.push_back({"English 5000", EnglishLikeText(5000, 4)});
    // Text with high bytes and control bytes scattered through it, and lesson records.
    Bytes mixed = EnglishLikeText(20000, 5);
    for (size_t i = 0; i < mixed.size(); i += 1 + rng() % 40) mixed[i] = static_cast<uint8_t>(rng());
    inputs.push_back({"English with high bytes", mixed});
    inputs.push_back({"lesson records", LessonText("Genesis 1", 3000)});
    // A period of 2048 puts every repeat one byte beyond the window.
    Bytes period = random(2048);
    Bytes beyond = period;
    beyond.insert(beyond.end(), period.begin(), period.end());
    inputs.push_back({"repeat just beyond the window", beyond});
    Bytes within(period.begin(), period.begin() + 2047);
    within.insert(within.end(), period.begin(), period.begin() + 2047);
    inputs.push_back({"repeat at the window's edge", within});
    return inputs;
}

TEST(PalmDocCompress, RoundTripsExactly) {
    for (const auto& [name, in] : RoundTripInputs()) {
        SCOPED_TRACE(name);
        Bytes greedy = PalmDocCompress(in, ParseMode::kGreedy);
        Bytes optimal = PalmDocCompress(in, ParseMode::kOptimal);
        ExpectExactRoundTrip(in, greedy);
        ExpectExactRoundTrip(in, optimal);
        EXPECT_LE(optimal.size(), greedy.size());
    }
}

TEST(PalmDocCompress, WindowEdge) {
    // The repeat at distance 2047 is reachable, at 2048 it is not: 2047 random bytes repeated
    // must shrink to about a fifth, 2048 repeated must not shrink at all.
    std::mt19937 rng(3);
    for (size_t period : {size_t{2047}, size_t{2048}}) {
        Bytes in(period);
        for (auto& x : in) x = static_cast<uint8_t>(rng() % 0x60 + 0x20);
        in.insert(in.end(), in.begin(), in.end());
        size_t packed = PalmDocCompress(in).size();
        if (period == 2047) {
            EXPECT_LT(packed, period + period / 4);
        } else {
            EXPECT_GE(packed, 2 * period * 9 / 10);
        }
    }
}

// The optimum computed without the hash chains: every earlier position in the window is tried.
size_t OptimalSizeByBruteForce(const Bytes& in) {
    const size_t n = in.size();
    std::vector<size_t> longest(n, 0);
    for (size_t i = 0; i < n; i++) {
        for (size_t j = (i > 2047 ? i - 2047 : 0); j < i; j++) {
            size_t len = 0;
            while (len < 10 && i + len < n && in[j + len] == in[i + len]) len++;
            longest[i] = std::max(longest[i], len);
        }
    }
    std::vector<size_t> cost(n + 1, 0);
    for (size_t i = n; i-- > 0;) {
        size_t best = SIZE_MAX;
        uint8_t b = in[i];
        if (b == 0 || (b >= 9 && b <= 0x7F)) best = std::min(best, 1 + cost[i + 1]);
        if (b == ' ' && i + 1 < n && in[i + 1] >= 0x40 && in[i + 1] <= 0x7F) {
            best = std::min(best, 1 + cost[i + 2]);
        }
        for (size_t k = 1; k <= 8 && i + k <= n; k++) best = std::min(best, 1 + k + cost[i + k]);
        for (size_t len = 3; len <= longest[i]; len++) best = std::min(best, 2 + cost[i + len]);
        cost[i] = best;
    }
    return cost[0];
}

TEST(PalmDocCompress, OptimalParseReachesTheOptimum) {
    Bytes mixed = EnglishLikeText(4000, 9);
    for (size_t i = 0; i < mixed.size(); i += 37) mixed[i] = 0x85;
    const std::pair<const char*, Bytes> kInputs[] = {
        {"English", EnglishLikeText(6000, 8)},
        {"English with high bytes", mixed},
        {"lesson records", LessonText("Psalms 119:1-8", 5000)},
    };
    for (const auto& [name, in] : kInputs) {
        SCOPED_TRACE(name);
        EXPECT_EQ(PalmDocCompress(in, ParseMode::kOptimal).size(), OptimalSizeByBruteForce(in));
    }
}

}  // namespace
