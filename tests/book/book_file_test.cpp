#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "book/book.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Le32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

const Bytes kMagic = {'V', 'E', 'L', 'I', 'N', 'B', 'K', '1'};

TEST(BookFile, RoundTrip) {
    std::map<uint32_t, Bytes> resources = {{1049, {1, 2, 3}}, {32767, {9}}, {7, {}}, {99999, {4}}};
    Bytes image = WriteBookFile(resources);
    EXPECT_EQ(image, Join({kMagic, Le32(4), Le32(7), Le32(0), Le32(1049), Le32(3), {1, 2, 3},
                           Le32(32767), Le32(1), {9}, Le32(99999), Le32(1), {4}}));
    std::string error;
    auto book = BookFile::Parse(image, &error);
    ASSERT_TRUE(book) << error;
    ASSERT_EQ(book->Resources().size(), 4u);
    std::span<const uint8_t> found;
    ASSERT_EQ(book->Find(1049, &found), ResourceStatus::kFound);
    EXPECT_EQ(Bytes(found.begin(), found.end()), (Bytes{1, 2, 3}));
    EXPECT_EQ(book->Find(99999, &found), ResourceStatus::kFound);  // unknown ids are kept
    EXPECT_EQ(book->Find(7, &found), ResourceStatus::kUnloadable);  // empty
    EXPECT_EQ(book->Find(1050, &found), ResourceStatus::kMissing);

    // Parse keeps its own copy; View borrows the caller's bytes.
    Bytes copy = image;
    auto parsed = BookFile::Parse(copy, &error);
    std::fill(copy.begin(), copy.end(), 0);
    ASSERT_EQ(parsed->Find(32767, &found), ResourceStatus::kFound);
    EXPECT_EQ(found[0], 9);
    auto viewed = BookFile::View(image, &error);
    ASSERT_TRUE(viewed);
    ASSERT_EQ(viewed->Find(32767, &found), ResourceStatus::kFound);
    EXPECT_TRUE(found.data() > image.data() && found.data() < image.data() + image.size());
}

TEST(BookFile, DamagedImages) {
    Bytes good = WriteBookFile({{1049, {1, 2, 3}}, {1050, {4, 5}}});
    const struct {
        const char* name;
        Bytes image;
        const char* error;
    } kCases[] = {
        {"empty", {}, "magic"},
        {"bad magic", Join({{'V', 'E', 'L', 'I', 'N', 'B', 'K', '2'}, Le32(0)}), "magic"},
        {"no count", kMagic, "header"},
        {"truncated count", Join({kMagic, {1, 0}}), "header"},
        {"truncated resource header", Bytes(good.begin(), good.begin() + 14), "ends inside"},
        {"truncated resource", Bytes(good.begin(), good.end() - 1), "claims 2 bytes"},
        {"count beyond the resources", Join({kMagic, Le32(3), Bytes(good.begin() + 12, good.end())}),
         "ends inside"},
        {"huge count", Join({kMagic, Le32(0xFFFFFFFF)}), "ends inside"},
        // A size that would wrap an offset computed as position + size.
        {"size overflows", Join({kMagic, Le32(1), Le32(1049), Le32(0xFFFFFFFF), {1, 2, 3}}),
         "claims"},
        {"size just past the end", Join({kMagic, Le32(1), Le32(1049), Le32(4), {1, 2, 3}}),
         "claims 4 bytes but only 3"},
        {"duplicate id", Join({kMagic, Le32(2), Le32(5), Le32(1), {1}, Le32(5), Le32(1), {2}}),
         "twice"},
        {"stray bytes", Join({good, {0}}), "stray"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_FALSE(BookFile::Parse(c.image, &error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        EXPECT_FALSE(BookFile::View(c.image, nullptr));
    }
}

TEST(BookFile, Load) {
    std::string path = testing::TempDir() + "book_file_test_" + std::to_string(getpid()) + ".vbk";
    Bytes image = WriteBookFile({{1049, Bytes(100000, 7)}});
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(image.data(), 1, image.size(), f);
    std::fclose(f);

    std::string error;
    auto book = BookFile::Load(path, &error);
    ASSERT_TRUE(book) << error;
    std::span<const uint8_t> found;
    ASSERT_EQ(book->Find(1049, &found), ResourceStatus::kFound);
    EXPECT_EQ(found.size(), 100000u);
    std::remove(path.c_str());

    EXPECT_FALSE(BookFile::Load(path, &error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
}

}  // namespace
