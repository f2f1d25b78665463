#include "tools/book_tool.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "book/book.h"
#include "tests/tools/book_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct ToolRun {
    int code;
    std::string out, err;
};
ToolRun Tool(std::vector<std::string> args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    int code = RunBookTool(args, in, out, err);
    return {code, out.str(), err.str()};
}

// Per process: CTest runs the cases of this file side by side.
std::string TempPath(const std::string& name) {
    return testing::TempDir() + "velin_tool_" + std::to_string(getpid()) + "_" + name;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(DatesCommand, PrintsDayNumberHebrewDateCodeAndCaption) {
    ToolRun r = Tool({"dates"},
                     "2024-12-20\n"
                     "2000-12-31\r\n"  // CR LF line ends are fine
                     "2007-11-28\n"    // 18 Kislev closes a common study year
                     "2007-11-29\n"    // 19 Kislev opens a leap one
                     "2023-11-13\n"    // 29 Cheshvan of a 29-day Cheshvan is keyed as day 31
                     "2024-03-20\n"
                     "\n"
                     "0001-01-01\n"
                     "9999-12-31\n");
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out,
              "2024-12-20 739240 9-19-5785 0x0913 19 Kislev, 5785\n"
              "2000-12-31 730485 10-5-5761 0x0A05 5 Tevet, 5761\n"
              "2007-11-28 733008 9-18-5768 0x0912 18 Kislev, 5768\n"
              "2007-11-29 733009 9-19-5768 0x1913 19 Kislev, 5768\n"
              "2023-11-13 738837 8-29-5784 0x081F 29 Cheshvan, 5784\n"
              "2024-03-20 738965 13-10-5784 0x1D0A 10 Adar II, 5784\n"
              "0001-01-01 1 10-18-3761 0x0A12 18 Tevet, 3761\n"
              "9999-12-31 3652059 8-28-13760 0x181C 28 Cheshvan, 13760\n");
    EXPECT_EQ(r.err, "");
}

TEST(DatesCommand, ReportsBadLinesByNumberAndGoesOn) {
    ToolRun r = Tool({"dates"},
                     "2024-02-30\n0000-01-01\n10000-01-01\n2024-1-05\nyesterday\n2023-02-29\n"
                     "2024-02-29\n");
    EXPECT_EQ(r.code, kExitFault);
    EXPECT_EQ(r.out, "2024-02-29 738945 12-20-5784 0x1C14 20 Adar I, 5784\n");
    for (int line = 1; line <= 6; ++line) {
        EXPECT_NE(r.err.find("line " + std::to_string(line) + ": "), std::string::npos) << r.err;
    }
    EXPECT_EQ(r.err.find("line 7"), std::string::npos);
}

// A book of the leap schedule built by the tool from a source file.
class BookCommands : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        WriteText(TempPath("book.vsrc"), CompleteSchedule(Schedule::kLeap) + kSmallContents);
        ToolRun r = Tool({"build", TempPath("book.vsrc"), "-o", TempPath("book.vbk")});
        ASSERT_EQ(r.code, kExitOk) << r.err;
        std::ifstream in(TempPath("book.vbk"), std::ios::binary);
        image_ = Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static void TearDownTestSuite() {
        for (const char* name : {"book.vsrc", "book.vbk", "bad.vbk"}) {
            std::remove(TempPath(name).c_str());
        }
    }
    static std::map<uint32_t, Bytes> Resources() {
        std::string error;
        std::optional<BookFile> file = BookFile::Parse(image_, &error);
        std::map<uint32_t, Bytes> resources;
        for (const auto& [id, bytes] : file->Resources()) {
            resources[id] = Bytes(bytes.begin(), bytes.end());
        }
        return resources;
    }
    static Bytes image_;
};
Bytes BookCommands::image_;

TEST_F(BookCommands, CheckPassesAGoodBook) {
    ToolRun r = Tool({"check", TempPath("book.vbk")});
    EXPECT_EQ(r.code, kExitOk) << r.out << r.err;
    EXPECT_NE(r.out.find("OK: 40 packs, 387 lessons, 4 contents entries"), std::string::npos)
        << r.out;
}

TEST_F(BookCommands, CheckRejectsACorruptedBook) {
    // Pack 1049 holds days 1-11 of Nisan; its first chunk's data starts at offset 10.
    const struct {
        const char* what;
        void (*corrupt)(std::map<uint32_t, Bytes>&);
        const char* fault;
    } kCases[] = {
        {"a back-reference before the start of the output", [](auto& r) { r[1049][10] = 0x87; },
         "pack 1049 (Nisan 1-11) chunk 0 (1 Nisan): does not expand to exactly U = "},
        {"a chunk that is one byte short of its U",
         [](auto& r) { r[1049][9] += 1; },  // U's low byte
         "pack 1049 (Nisan 1-11) chunk 0 (1 Nisan): does not expand to exactly U"},
        {"a missing pack", [](auto& r) { r.erase(1062); }, "pack 1062 (Av 12-22): missing"},
        {"L past the resource", [](auto& r) { r[1051][0] = 0xFF; },
         "pack 1051 (Nisan 23-30): L = "},
        {"more than three padding bytes", [](auto& r) { r[1051].insert(r[1051].end(), 4, 0); },
         "4 bytes follow the chunk area"},
        {"wrong day fields", [](auto& r) { r[1050][3] = 13; }, "day fields 13-22, expected 12-22"},
        {"a pack the common schedule lacks",
         [](auto& r) {
             r[1001] = r[1049];
             r[1037] = r[1085];
         },
         "pack 1037: the common schedule has no month 13"},
        {"no contents", [](auto& r) { r.erase(kContentsResourceId); },
         "contents (resource 32767): missing"},
        {"a leaf on a missing lesson",
         [](auto& r) {
             // Replace the contents with one whose leaf opens 31 Tishri.
             Bytes outline = {0x1F, 0x57, 0x81, 1, 'x', 0, 0, 0, 0, 0, 0};
             std::string error;
             CompressedChunk chunk{PalmDocCompress(outline), static_cast<uint16_t>(outline.size())};
             r[kContentsResourceId] = *BuildPack(1, 255, {chunk}, &error);
         },
         "the leaf opens 0x171F (31 Tishri), which has no lesson"},
        {"an outline without its end record",
         [](auto& r) {
             Bytes outline = {0xFE, 0xBF, 0x8C, 1, 'x', 0, 0xFD, 0xBF, 0x01};
             std::string error;
             CompressedChunk chunk{PalmDocCompress(outline), static_cast<uint16_t>(outline.size())};
             r[kContentsResourceId] = *BuildPack(1, 255, {chunk}, &error);
         },
         "the data ends without the end record"},
        {"a lesson without its end marker",
         [](auto& r) {
             std::vector<CompressedChunk> chunks;
             for (int d = 1; d <= 11; ++d) {
                 Bytes lesson = {0x81, 0, 'a', 0};
                 if (d != 4) lesson.insert(lesson.end(), {0, 0, 0});
                 chunks.push_back({PalmDocCompress(lesson), static_cast<uint16_t>(lesson.size())});
             }
             std::string error;
             r[1049] = *BuildPack(1, 11, chunks, &error);
         },
         "chunk 3 (4 Nisan): the records run to the end of the data without the end marker"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        std::map<uint32_t, Bytes> resources = Resources();
        c.corrupt(resources);
        Bytes image = WriteBookFile(resources);
        std::ofstream(TempPath("bad.vbk"), std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        ToolRun r = Tool({"check", "--book", TempPath("bad.vbk")});
        EXPECT_EQ(r.code, kExitFault);
        EXPECT_NE(r.out.find(c.fault), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("fault"), std::string::npos);
    }
    // A truncated file does not even load.
    WriteText(TempPath("bad.vbk"), std::string(image_.begin(), image_.begin() + 100));
    ToolRun r = Tool({"check", TempPath("bad.vbk")});
    EXPECT_EQ(r.code, kExitFault);
    EXPECT_NE(r.err.find("bad.vbk"), std::string::npos) << r.err;
}

TEST_F(BookCommands, LessonPrintsTheCaptionAndTheExportText) {
    const struct {
        const char* date;
        int code;
        std::string out;
        const char* err;
    } kCases[] = {
        {"2023-12-20", kExitOk, "8 Tevet, 5784\nDay 10 8\n\nLesson of 10 8.\n\n", ""},
        // 29 Cheshvan of a 29-day Cheshvan in a leap study year reads the day-31 lesson.
        {"2024-11-30", kExitOk, "29 Cheshvan, 5785\nDay 8 29\n\nLesson of 8 29.\n\n", ""},
        {"2024-12-20", kExitNoLesson, "19 Kislev, 5785\n", "has 12 months"},
        {"2024-12-32", kExitFault, "", "is not a date"},
        {"10000-01-01", kExitFault, "", "is not a date"},
        {"0000-12-31", kExitFault, "", "is not a date"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.date);
        ToolRun r = Tool({"lesson", c.date, "--book", TempPath("book.vbk")});
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_EQ(r.out, c.out);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
}

TEST_F(BookCommands, DumpListsPacksChunksAndRecords) {
    ToolRun r = Tool({"--book", TempPath("book.vbk"), "dump"});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    for (const char* line :
         {"pack 1072 L=", "  chunk 8 N=", " day 0x181F (31 Cheshvan)\n",
          "    0 0xC1 0x00 Day 8 31\n", "pack 32767 L=", "    0 0xBFFE 0x8C 1 Part\n"}) {
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
    }
}

TEST(BookTool, RefusesBadCommandLines) {
    const struct {
        std::vector<std::string> args;
        int code;
        const char* text;  // in the output (help) or the errors
    } kCases[] = {
        {{}, kExitFault, "usage: velin-book"},
        {{"--help"}, kExitOk, "usage: velin-book"},
        {{"frobnicate"}, kExitFault, "unknown command 'frobnicate'"},
        {{"build", "--help"}, kExitOk, "usage: velin-book build"},
        {{"check", "--help"}, kExitOk, "usage: velin-book check"},
        {{"dump", "-h"}, kExitOk, "usage: velin-book dump"},
        {{"lesson", "--help"}, kExitOk, "usage: velin-book lesson"},
        {{"dates", "--help"}, kExitOk, "usage: velin-book dates"},
        {{"build", "a.vsrc"}, kExitFault, "usage: velin-book build"},
        {{"build", "a.vsrc", "-o"}, kExitFault, "-o needs one book file name"},
        {{"build", "/nonexistent/a.vsrc", "-o", "x.vbk"}, kExitFault, "cannot be read"},
        {{"check", "--book"}, kExitFault, "--book needs a file name"},
        {{"check", "/nonexistent/book.vbk"}, kExitFault, "/nonexistent/book.vbk"},
        {{"check"}, kExitFault, "no built-in book"},  // the test links no built-in book
        {{"lesson"}, kExitFault, "usage: velin-book lesson"},
        {{"lesson", "2024-01-01", "extra"}, kExitFault, "usage: velin-book lesson"},
        {{"dates", "extra"}, kExitFault, "usage: velin-book dates"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        ToolRun r = Tool(c.args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_NE((r.out + r.err).find(c.text), std::string::npos) << r.out << r.err;
    }
}

TEST(BuildCommand, WritesNothingWhenTheSourceHasErrors) {
    std::remove(TempPath("never.vbk").c_str());
    WriteText(TempPath("bad.vsrc"), "@lesson Nisan 1\n.p fine\n.p \xE2\x82\xAC\n");
    ToolRun r = Tool({"build", TempPath("bad.vsrc"), "-o", TempPath("never.vbk")});
    EXPECT_EQ(r.code, kExitFault);
    EXPECT_NE(r.err.find("bad.vsrc:3: the character U+20AC"), std::string::npos) << r.err;
    EXPECT_FALSE(std::ifstream(TempPath("never.vbk")).good());
    std::remove(TempPath("bad.vsrc").c_str());
}

}  // namespace
