// Outline data: walking untrusted records, the bookmark branch, joining.
#include <gtest/gtest.h>

#include "outline_records.h"

namespace velin::outline::testing {
namespace {

const Bytes kContents = Outline({
    Rec(0xBFFE, 0x8C, 1, "Part"),
    Rec(0x5913, 0x01, 2, "First day"),
    Rec(0x5A01, 0x01, 2, "Tevet"),
});

TEST(OutlineRecordWalker, StopsAtTheEndRecordOrWhereTheBufferFails) {
    const struct {
        const char* name;
        Bytes data;
        size_t records;
        size_t stop;  // position() at the end of the walk
    } kCases[] = {
        {"closed data", kContents, 3, kContents.size() - 5},
        {"a style byte of 0 ends it, whatever the key", {0x34, 0x12, 0, 7, 'x', 0}, 0, 0},
        {"no end record", Bytes(kContents.begin(), kContents.end() - 5), 3, kContents.size() - 5},
        // The last label runs into the end of the buffer: that record is not taken.
        {"an unclosed label", Bytes(kContents.begin(), kContents.end() - 6), 2,
         kContents.size() - 5 - 10},
        {"a cut header", {0x13, 0x59, 0x01}, 0, 0},
        {"empty", {}, 0, 0},
    };
    for (const auto& c : kCases) {
        OutlineRecordWalker walker(c.data);
        OutlineRecord r;
        size_t n = 0;
        while (walker.Next(&r)) ++n;
        EXPECT_EQ(n, c.records) << c.name;
        EXPECT_EQ(walker.position(), c.stop) << c.name;
        EXPECT_FALSE(walker.Next(&r)) << c.name << ": a finished walk stays finished";
    }
}

TEST(BuildBookmarkOutline, ListsTheBookmarksWithEntriesInListOrder) {
    const struct {
        const char* name;
        std::vector<uint16_t> bookmarks;
        Bytes contents;
        Bytes expected;
    } kCases[] = {
        {"in list order, with the contents' labels",
         {0x1A01, 0x1913},
         kContents,
         Outline({Rec(0x8877, 0xC1, 1, "Bookmarks"), Rec(0x5A01, 0x81, 2, "Tevet"),
                  Rec(0x5913, 0x81, 2, "First day")})},
        {"a day without an entry is left out",
         {0x1914, 0x1913},
         kContents,
         Outline({Rec(0x8877, 0xC1, 1, "Bookmarks"), Rec(0x5913, 0x81, 2, "First day")})},
        {"none has an entry: the branch alone",
         {0x1914},
         kContents,
         Outline({Rec(0x8877, 0xC1, 1, "Bookmarks")})},
        {"no contents: the branch alone",
         {0x1913},
         {},
         Outline({Rec(0x8877, 0xC1, 1, "Bookmarks")})},
        // A branch's low bits never match a lesson: 0x3FFE is not a branch key's DayCode.
        {"branches are not entries",
         {0x3FFE},
         kContents,
         Outline({Rec(0x8877, 0xC1, 1, "Bookmarks")})},
    };
    for (const auto& c : kCases) {
        const OutlineData out = BuildBookmarkOutline(c.bookmarks, c.contents);
        EXPECT_EQ(BytesOf(out), c.expected) << c.name;
    }
}

TEST(JoinOutlines, PutsTheFirstInFrontAndClosesOnce) {
    const Bytes a = Outline({Rec(0x8877, 0xC1, 1, "Bookmarks")});
    Bytes joined(a.begin(), a.end() - 5);
    joined.insert(joined.end(), kContents.begin(), kContents.end());
    EXPECT_EQ(BytesOf(JoinOutlines(Data(a), Data(kContents))), joined);
    EXPECT_EQ(BytesOf(JoinOutlines(Data(a), OutlineData{})), a);
    EXPECT_EQ(BytesOf(JoinOutlines(OutlineData{}, Data(kContents))), kContents);
    // Without memory for the joined buffer the contents stay, alone.
    OutlineData first = Data(a);
    OutlineData second = Data(kContents);
    FailNextAllocations(0, 1);
    EXPECT_EQ(BytesOf(JoinOutlines(std::move(first), std::move(second))), kContents);
    FailNextAllocations(0, 0);
}

TEST(MakeIndexOutline, AddsTheBranchOnlyForBookmarks) {
    const std::vector<uint16_t> none;
    const std::vector<uint16_t> one{0x1913};
    EXPECT_EQ(BytesOf(MakeIndexOutline(Data(kContents), none)), kContents);
    const Bytes withMark = BytesOf(MakeIndexOutline(Data(kContents), one));
    Bytes expected = Rec(0x8877, 0xC1, 1, "Bookmarks");
    const Bytes entry = Rec(0x5913, 0x81, 2, "First day");
    expected.insert(expected.end(), entry.begin(), entry.end());
    expected.insert(expected.end(), kContents.begin(), kContents.end());
    EXPECT_EQ(withMark, expected) << "the bookmark repeats its entry's key, first";
    EXPECT_EQ(BytesOf(MakeIndexOutline(OutlineData{}, one)),
              Outline({Rec(0x8877, 0xC1, 1, "Bookmarks")}));
    EXPECT_FALSE(MakeIndexOutline(OutlineData{}, none));
    // No memory for the bookmark branch: the contents alone.
    OutlineData contents = Data(kContents);
    FailNextAllocations(0, 1);
    EXPECT_EQ(BytesOf(MakeIndexOutline(std::move(contents), one)), kContents);
    FailNextAllocations(0, 0);
}

}  // namespace
}  // namespace velin::outline::testing
