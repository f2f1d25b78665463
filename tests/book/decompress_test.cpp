#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "book/book.h"
#include "fuzz/book_fuzz.h"

namespace {

std::vector<std::string> reported;
void Record(const char* message) { reported.emplace_back(message); }

class UnCompressTest : public ::testing::Test {
protected:
    void SetUp() override {
        reported.clear();
        SetBookErrorReporter(Record);
    }
    void TearDown() override {
        SetBookErrorReporter(nullptr);
        FailNextAllocations(0, 0);
    }
};

using Bytes = std::vector<uint8_t>;

TEST_F(UnCompressTest, Cases) {
    const struct {
        const char* name;
        Bytes in;
        size_t u;
        Bytes out;   // expected bytes on success
        int reason;  // 0 on success
    } kCases[] = {
        // 0x00 is a literal, not an end mark: lessons hold zero bytes between records.
        {"zero literal", {0x00, 0x61, 0x00}, 3, {0x00, 0x61, 0x00}, 0},
        {"run exact", {0x03, 0x61, 0x62, 0x63}, 3, {0x61, 0x62, 0x63}, 0},
        {"run stops at U", {0x03, 0x61, 0x62, 0x63}, 2, {0x61, 0x62}, 0},
        // The run's third byte lies past the input but is never needed.
        {"run cut by U, not by input", {0x03, 0x61, 0x62}, 2, {0x61, 0x62}, 0},
        {"run of high bytes", {0x02, 0x80, 0xFF}, 2, {0x80, 0xFF}, 0},
        // Distance 1, length 8: repeats the byte just written.
        {"overlapping reference", {0x61, 0x80, 0x0D}, 9, Bytes(9, 0x61), 0},
        {"reference cut by U", {0x61, 0x80, 0x0D}, 4, Bytes(4, 0x61), 0},
        {"space pair", {0xE1}, 2, {0x20, 0x61}, 0},
        {"space pair cut by U", {0xE1}, 1, {0x20}, 0},
        {"input left over", {0x61, 0x62, 0x63}, 2, {0x61, 0x62}, 0},
        {"input short", {0x61}, 2, {}, kReasonBadData},
        {"distance 0", {0x61, 0x80, 0x00}, 4, {}, kReasonBadData},
        // Distance 2 with one byte written.
        {"distance beyond written", {0x61, 0x80, 0x10}, 4, {}, kReasonBadData},
        {"reference first", {0x80, 0x08}, 3, {}, kReasonBadData},
        {"truncated run", {0x03, 0x61}, 3, {}, kReasonBadData},
        {"truncated reference", {0x61, 0x80}, 4, {}, kReasonBadData},
        {"U = 0", {0x61}, 0, {}, kReasonNoData},
        {"no data", {}, 4, {}, kReasonNoData},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        reported.clear();
        int reason = -1;
        ByteBuffer got = UnCompress(c.in.empty() ? nullptr : c.in.data(), c.in.size(), c.u,
                                    &reason);
        if (c.reason == 0) {
            ASSERT_TRUE(got);
            EXPECT_EQ(reason, -1) << "reason changed on success";
            EXPECT_EQ(Bytes(got.get(), got.get() + c.u), c.out);
            // Every returned buffer ends in kZeroTail zero bytes.
            EXPECT_EQ(Bytes(got.get() + c.u, got.get() + c.u + kZeroTail), Bytes(kZeroTail, 0));
            EXPECT_TRUE(reported.empty());
        } else {
            EXPECT_FALSE(got);
            EXPECT_EQ(reason, c.reason);
            // Only bad data is reported, exactly once.
            if (c.reason == kReasonBadData) {
                EXPECT_EQ(reported, std::vector<std::string>{kUnCompressErrorText});
            } else {
                EXPECT_TRUE(reported.empty());
            }
        }
    }
}

TEST_F(UnCompressTest, AllocationFailureIsReasonTwoWithoutMessage) {
    const uint8_t in[] = {0x61};
    FailNextAllocations(0, 1);
    int reason = 0;
    EXPECT_FALSE(UnCompress(in, 1, 1, &reason));
    EXPECT_EQ(reason, kReasonEmptyResource);
    EXPECT_TRUE(reported.empty());
    // The failure was for one allocation only.
    EXPECT_TRUE(UnCompress(in, 1, 1, &reason));
    // A length whose buffer size would wrap around.
    reason = 0;
    EXPECT_FALSE(UnCompress(in, 1, SIZE_MAX - 3, &reason));
    EXPECT_EQ(reason, kReasonEmptyResource);
}

TEST_F(UnCompressTest, NoPlaceForReason) {
    const uint8_t in[] = {0x61};
    EXPECT_FALSE(UnCompress(in, 1, 2));
    EXPECT_FALSE(UnCompress(in, 0, 2));
}

TEST(PalmDocDecode, AgreesWithByteAtATimeDecoding) {
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; round++) {
        // Mostly valid streams with short distances (to hit overlapping copies), some junk.
        Bytes in;
        size_t written = 0;
        size_t tokens = rng() % 300;
        bool junk = round % 10 == 0;
        for (size_t i = 0; i < tokens; i++) {
            unsigned kind = rng() % 4;
            if (junk) {
                in.push_back(static_cast<uint8_t>(rng()));
            } else if (kind == 0 || written == 0) {
                in.push_back(static_cast<uint8_t>(0x09 + rng() % 0x77));
                written++;
            } else if (kind == 1) {
                unsigned k = 1 + rng() % 8;
                in.push_back(static_cast<uint8_t>(k));
                for (unsigned j = 0; j < k; j++) in.push_back(static_cast<uint8_t>(rng()));
                written += k;
            } else if (kind == 2) {
                size_t maxDistance = std::min<size_t>(written, 2047);
                size_t distance = 1 + (rng() % 2 ? rng() % std::min<size_t>(maxDistance, 20)
                                                  : rng() % maxDistance);
                size_t length = 3 + rng() % 8;
                unsigned x = static_cast<unsigned>(distance << 3 | (length - 3));
                in.push_back(static_cast<uint8_t>(0x80 | x >> 8));
                in.push_back(static_cast<uint8_t>(x));
                written += length;
            } else {
                in.push_back(static_cast<uint8_t>(0xC0 + rng() % 0x40));
                written += 2;
            }
        }
        // Ask for the exact length, a little less, or a little more.
        size_t u = written;
        if (round % 3 == 1 && u > 0) u -= 1 + rng() % std::min<size_t>(u, 12);
        if (round % 3 == 2) u += 1 + rng() % 12;

        Bytes expected(u);
        size_t expectedConsumed = 0;
        DecodeStatus expectedStatus =
            book_fuzz::ReferenceDecode(in, expected, &expectedConsumed);
        Bytes got(u);
        DecodeResult result = PalmDocDecode(in, got);
        ASSERT_EQ(result.status, expectedStatus) << "round " << round;
        if (expectedStatus == DecodeStatus::kOk) {
            ASSERT_EQ(result.written, u) << "round " << round;
            ASSERT_EQ(result.consumed, expectedConsumed) << "round " << round;
            ASSERT_EQ(got, expected) << "round " << round;
        }
    }
}

}  // namespace
