// The built-in book as a program links it: the file image, its packs, every lesson of the
// leap schedule and the table of contents that leads into them.
#include "resources/builtin_book.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "book/book.h"

namespace {

constexpr int kLeapMonthLength[14] = {0, 30, 29, 30, 29, 30, 29, 30, 30, 30, 29, 30, 30, 29};

class BuiltinBook : public ::testing::Test {
  protected:
    void SetUp() override {
        if (BuiltinBookImage().empty()) GTEST_SKIP() << "this build has no built-in book";
        std::string error;
        ASSERT_TRUE(InstallBook("", &error)) << error;
    }
};

TEST_F(BuiltinBook, ImageHoldsTheLeapPacksAndTheContents) {
    std::string error;
    std::optional<BookFile> book = BookFile::View(BuiltinBookImage(), &error);
    ASSERT_TRUE(book) << error;
    for (uint32_t id = 1049; id <= 1087; ++id) {
        std::span<const uint8_t> pack;
        ASSERT_EQ(book->Find(id, &pack), ResourceStatus::kFound) << id;
        std::optional<PackInfo> info = WalkPack(pack);
        ASSERT_TRUE(info) << id;
        EXPECT_TRUE(info->endMarker) << id;
        // Days 1-11, 12-22, and 23 to the month's end (Cheshvan and Kislev: to 31).
        int month = static_cast<int>(id - 1046) / 3;
        int third = static_cast<int>(id - 1046) % 3;
        size_t chunks = third < 2 ? 11 : kLeapMonthLength[month] - 22 + (month == 8 || month == 9);
        EXPECT_EQ(info->chunks.size(), chunks) << id;
    }
    std::span<const uint8_t> contents;
    EXPECT_EQ(book->Find(kContentsResourceId, &contents), ResourceStatus::kFound);
}

TEST_F(BuiltinBook, EveryLessonOpensWithTitleOrHeading) {
    for (int month = 1; month <= 13; ++month) {
        int last = month == 8 || month == 9 ? 31 : kLeapMonthLength[month];
        for (int day = 1; day <= last; ++day) {
            int reason = 0;
            ByteBuffer lesson = LoadLesson(0x1000 | month << 8 | day, &reason);
            ASSERT_TRUE(lesson) << month << "/" << day << " reason " << reason;
            EXPECT_TRUE(lesson[0] == 0xCC || lesson[0] == 0xC1) << month << "/" << day;
        }
    }
}

TEST_F(BuiltinBook, ContentsLeavesOpenLessons) {
    ByteBuffer contents = LoadLesson(kContentsKey);
    ASSERT_TRUE(contents);
    int leaves = 0;
    // key (2, little-endian), style, level, label, zero; the data ends at a zero style.
    for (size_t at = 0; contents[at + 2] != 0;) {
        uint16_t key = static_cast<uint16_t>(contents[at] | contents[at + 1] << 8);
        if (key & 0x4000) {
            ++leaves;
            EXPECT_EQ(key & 0x1000, 0x1000);
            EXPECT_TRUE(LoadLesson(key & 0x3FFF)) << std::hex << key;
        }
        at += 4;
        while (contents[at] != 0) ++at;
        ++at;
    }
    EXPECT_GT(leaves, 0);
}

}  // namespace
