#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "book/book.h"
#include "tests/book/fixtures.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(LocateLesson, KeyMapping) {
    const struct {
        int key;
        bool found;
        uint32_t resourceId;
        int chunkIndex;
    } kCases[] = {
        {0, false, 0, 0},
        {-1, false, 0, 0},
        {-31767, false, 0, 0},
        {kContentsKey, true, 32767, 0},  // no arithmetic for the contents
        {0x1101, true, 1049, 0},         // leap schedule, month 1, day 1
        {0x110B, true, 1049, 10},        // day 11 closes the first pack
        {0x110C, true, 1050, 0},
        {0x1117, true, 1051, 0},         // day 23 opens the third pack
        {0x181F, true, 1072, 8},         // day 31 of month 8
        {0x191F, true, 1075, 8},         // day 31 of month 9
        {0x1D1D, true, 1087, 6},         // the last pack of the leap schedule
        {0x0101, true, 1001, 0},         // the common schedule: no such packs in this book
        {0x010C, true, 1002, 0},
        {0x0D1E, true, 1039, 7},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.key);
        LessonLocation where{12345, 99};
        ASSERT_EQ(LocateLesson(c.key, &where), c.found);
        if (c.found) {
            EXPECT_EQ(where.resourceId, c.resourceId);
            EXPECT_EQ(where.chunkIndex, c.chunkIndex);
        }
    }
}

TEST(BuildPack, LayoutAndWalk) {
    Bytes a = {'a', 'b', 'c'};
    Bytes b(100, 'z');
    std::string error;
    auto pack = BuildPack(12, 22, CompressChunks({a, b}), &error);
    ASSERT_TRUE(pack) << error;
    auto info = WalkPack(*pack);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->length, pack->size() - 6);
    EXPECT_EQ(info->firstDay, 12);
    EXPECT_EQ(info->lastDay, 22);
    EXPECT_TRUE(info->endMarker);
    ASSERT_EQ(info->chunks.size(), 2u);
    EXPECT_EQ(info->chunks[0].offset, 10u);
    EXPECT_EQ(info->chunks[0].u, 3);
    EXPECT_EQ(info->chunks[1].u, 100);
    // Big-endian header: L, first day, last day.
    EXPECT_EQ((*pack)[0] << 8 | (*pack)[1], info->length);
    EXPECT_EQ((*pack)[3], 12);
    EXPECT_EQ(Bytes(pack->end() - 4, pack->end()), Bytes(4, 0));
}

TEST(BuildPack, Refusals) {
    const struct {
        const char* name;
        std::vector<CompressedChunk> chunks;
        const char* error;
    } kCases[] = {
        {"empty chunk", {{{'a'}, 1}, {{}, 1}}, "chunk 1 has no data"},
        {"chunk over 16 bits", {{Bytes(65536, 'a'), 1}}, "more than 65535"},
        {"area over 16 bits", {{Bytes(40000, 'a'), 1}, {Bytes(25532, 'a'), 1}}, "65535"},
        {"expands to nothing", {{{'a'}, 0}}, "expands to 0 bytes"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_FALSE(BuildPack(1, 11, c.chunks, &error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
    // The largest area that fits: 65535 - 4 end marker bytes - 4 header bytes of data.
    std::string error;
    EXPECT_TRUE(BuildPack(1, 11, {{Bytes(65527, 'a'), 1}}, &error)) << error;
}

TEST(WalkPack, DamagedPacks) {
    Bytes good = MakePack(1, 11, {DayLesson(1, 1), DayLesson(1, 2)});
    size_t n0 = good[6] << 8 | good[7];
    auto setL = [](Bytes p, size_t l) {
        p[0] = static_cast<uint8_t>(l >> 8);
        p[1] = static_cast<uint8_t>(l);
        return p;
    };
    const struct {
        const char* name;
        Bytes pack;
        size_t chunks;
        bool endMarker;
    } kCases[] = {
        {"whole", good, 2, true},
        {"padded", [&] { Bytes p = good; p.insert(p.end(), 3, 0); return p; }(), 2, true},
        {"L beyond the resource", setL(good, good.size()), 2, false},
        {"resource cut inside the second chunk", Bytes(good.begin(), good.end() - 6), 1, false},
        {"second chunk past L", setL(good, 4 + n0 + 6), 1, false},
        {"L of 4", setL(good, 4), 0, false},
        {"end marker first", [&] { Bytes p = good; p[6] = p[7] = 0; return p; }(), 0, false},
        {"header only", Bytes(good.begin(), good.begin() + 6), 0, false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        auto info = WalkPack(c.pack);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->chunks.size(), c.chunks);
        EXPECT_EQ(info->endMarker, c.endMarker);
        for (const ChunkInfo& chunk : info->chunks) {
            EXPECT_LE(chunk.offset + chunk.n, c.pack.size());
        }
    }
    EXPECT_FALSE(WalkPack(Bytes(good.begin(), good.begin() + 5)));
}

// A book with month 1 (30 days), month 2 (29 days), month 8 (day 31) and a contents.
class LoadLessonTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::map<uint32_t, Bytes> resources;
        AddMonth(&resources, 1, 30);
        AddMonth(&resources, 2, 29);
        AddMonth(&resources, 8, 31);
        contents_ = {0x01, 0x40, 0x01, 0x02, 'D', 'a', 'y', ' ', '1', 0, 0, 0, 0, 0, 0};
        resources[kContentsResourceId] = MakePack(1, 255, {contents_});
        resources[4242] = {1, 2, 3};  // unknown ids are kept and never looked at
        std::string error;
        book_ = BookFile::Parse(WriteBookFile(resources), &error);
        ASSERT_TRUE(book_) << error;
        SetRcDataSource(&*book_);
        SetBookErrorReporter([](const char*) {});
    }
    void TearDown() override {
        SetRcDataSource(nullptr);
        SetBookErrorReporter(nullptr);
        FailNextAllocations(0, 0);
    }

    std::optional<BookFile> book_;
    Bytes contents_;
};

TEST_F(LoadLessonTest, Keys) {
    const struct {
        int key;
        int month, day;  // of the expected lesson; 0 when none
        int reason;      // expected reason when none; 99 = left untouched
    } kCases[] = {
        {0x1101, 1, 1, 99},
        {0x110B, 1, 11, 99},
        {0x111E, 1, 30, 99},
        {0x121D, 2, 29, 99},
        {0x121E, 0, 0, kReasonNoChunk},  // day 30 in a 29-day month's pack
        {0x181F, 8, 31, 99},             // the ninth chunk of pack 1072
        {0x111F, 0, 0, kReasonNoChunk},  // day 31 of any other month
        {0x0101, 0, 0, kReasonNoResource},  // no leap flag: ids 1001-1039 are absent
        {0x1301, 0, 0, kReasonNoResource},
        {0, 0, 0, 99},
        {-7, 0, 0, 99},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.key);
        int reason = 99;
        size_t length = 12345;
        ByteBuffer lesson = LoadLesson(c.key, &reason, &length);
        EXPECT_EQ(reason, c.reason);
        if (c.month == 0) {
            EXPECT_FALSE(lesson);
            EXPECT_EQ(length, 12345u);
            continue;
        }
        ASSERT_TRUE(lesson);
        Bytes expected = DayLesson(c.month, c.day);
        EXPECT_EQ(length, expected.size());
        EXPECT_EQ(Bytes(lesson.get(), lesson.get() + expected.size()), expected);
        EXPECT_EQ(Bytes(lesson.get() + expected.size(), lesson.get() + expected.size() + kZeroTail),
                  Bytes(kZeroTail, 0));
    }
}

TEST_F(LoadLessonTest, Contents) {
    int reason = 99;
    ByteBuffer contents = LoadLesson(kContentsKey, &reason);
    ASSERT_TRUE(contents);
    EXPECT_EQ(reason, 99);
    EXPECT_EQ(Bytes(contents.get(), contents.get() + contents_.size()), contents_);
}

TEST_F(LoadLessonTest, NoSourceAndNoMemory) {
    int reason = 0;
    FailNextAllocations(0, 1);
    EXPECT_FALSE(LoadLesson(0x1101, &reason));
    EXPECT_EQ(reason, kReasonEmptyResource);
    SetRcDataSource(nullptr);
    EXPECT_FALSE(LoadLesson(0x1101, &reason));
    EXPECT_EQ(reason, kReasonNoResource);
}

// Damaged packs installed as resource 1049 (month 1, days 1 to 11).
TEST(LoadLesson, DamagedPacks) {
    Bytes good = MakePack(1, 11, {DayLesson(1, 1), DayLesson(1, 2), DayLesson(1, 3)});
    size_t n0 = good[6] << 8 | good[7];
    size_t second = 6 + 4 + n0;  // offset of the second chunk's header
    auto with = [&](auto change) {
        Bytes p = good;
        change(p);
        return p;
    };
    auto setL = [](Bytes& p, size_t l) {
        p[0] = static_cast<uint8_t>(l >> 8);
        p[1] = static_cast<uint8_t>(l);
    };
    // A chunk that claims more output than its data gives.
    Bytes longU = with([&](Bytes& p) { p[second + 3] += 1; });
    const struct {
        const char* name;
        Bytes pack;
        int day;
        int reason;  // 0: the lesson loads
    } kCases[] = {
        {"good, last chunk", good, 3, 0},
        {"empty resource", {}, 1, kReasonEmptyResource},
        {"shorter than its header", {0x00, 0x10, 0x00}, 1, kReasonNoChunk},
        {"L below 5", with([&](Bytes& p) { setL(p, 4); }), 1, kReasonNoChunk},
        {"L beyond the resource, chunk inside", with([&](Bytes& p) { setL(p, 0xFFFF); }), 1, 0},
        {"L beyond the resource, past the end", with([&](Bytes& p) { setL(p, 0xFFFF); }), 4,
         kReasonNoChunk},
        {"resource cut inside a chunk", Bytes(good.begin(), good.end() - 6), 3, kReasonNoChunk},
        {"resource cut inside a header", Bytes(good.begin(), good.begin() + second + 2), 2,
         kReasonNoChunk},
        {"chunk running past L", with([&](Bytes& p) { setL(p, 4 + n0 + 4 + 2); }), 2,
         kReasonNoChunk},
        {"chunk before it unaffected", with([&](Bytes& p) { setL(p, 4 + n0 + 4 + 2); }), 1, 0},
        {"end marker before the index", with([&](Bytes& p) { p[second] = p[second + 1] = 0; }),
         3, kReasonNoChunk},
        {"U of 0", with([&](Bytes& p) { p[second + 2] = p[second + 3] = 0; }), 2, kReasonNoData},
        {"U beyond the data", longU, 2, kReasonBadData},
    };
    SetBookErrorReporter([](const char*) {});
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        std::string error;
        auto book = BookFile::Parse(WriteBookFile({{1049, c.pack}}), &error);
        ASSERT_TRUE(book) << error;
        SetRcDataSource(&*book);
        int reason = 0;
        ByteBuffer lesson = LoadLesson(0x1100 + c.day, &reason);
        EXPECT_EQ(reason, c.reason);
        if (c.reason == 0) {
            ASSERT_TRUE(lesson);
            Bytes expected = DayLesson(1, c.day);
            EXPECT_EQ(Bytes(lesson.get(), lesson.get() + expected.size()), expected);
        } else {
            EXPECT_FALSE(lesson);
        }
        SetRcDataSource(nullptr);
    }
    SetBookErrorReporter(nullptr);
}

}  // namespace
