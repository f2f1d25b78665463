// `velin-book search` on a small book of the leap schedule: every occurrence in study-year
// order (19 Kislev first), overlapping ones included, with the date in the current study year,
// the offset and the text around it; Match Case; exit 2 when nothing is found.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/book_tool.h"
#include "tools/booksource.h"

namespace {

// Per process: CTest runs each test of the suite in a process of its own, side by side, and
// one's tear-down must not remove the book another is reading.
std::string TempPath(const std::string& name) {
    return testing::TempDir() + "velin-search-tool-" + std::to_string(getpid()) + "-" + name;
}

struct ToolRun {
    int code;
    std::string out, err;
};

ToolRun Tool(const std::vector<std::string>& args) {
    std::istringstream in;
    std::ostringstream out, err;
    const int code = RunBookTool(args, in, out, err);
    return {code, out.str(), err.str()};
}

// Every day of the leap schedule, with "Lesson of M D." as its text; 5 Nisan holds "xxxx".
std::string Source() {
    std::string text = "@schedule leap\n";
    for (int m = 1; m <= ScheduleMonthCount(Schedule::kLeap); ++m) {
        for (int d = 1; d <= ScheduleLastLessonDay(Schedule::kLeap, m); ++d) {
            const std::string day = std::to_string(m) + " " + std::to_string(d);
            text += "@lesson " + day + "\n.p Lesson of " + day + ".\n";
            if (m == 1 && d == 5) text += ".p Four: xxxx.\n";
        }
    }
    return text + "@contents\n* Part\n** Group\n*** First @ Nisan 1\n";
}

class SearchCommand : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::ofstream(TempPath("book.vsrc")) << Source();
        const ToolRun r = Tool({"build", TempPath("book.vsrc"), "-o", TempPath("book.vbk")});
        ASSERT_EQ(r.code, kExitOk) << r.err;
    }
    static void TearDownTestSuite() {
        std::remove(TempPath("book.vsrc").c_str());
        std::remove(TempPath("book.vbk").c_str());
    }
    // 10 Nisan 5768: the current study year runs from 19 Kislev 5768 to 18 Kislev 5769.
    void SetUp() override {
        SetTodaySource([] { return CalendarDate{4, 15, 2008}; });
    }
    void TearDown() override { SetTodaySource(nullptr); }
};

TEST_F(SearchCommand, ListsEveryOccurrenceInStudyYearOrder) {
    const ToolRun r = Tool({"search", "lesson of 9 3", "--book", TempPath("book.vbk")});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    // Kislev 5768 has 29 days: the day-31 lesson is its 29th; the day-30 lesson belongs to
    // no day of this study year and is placed in the next leap study year with a 30th.
    EXPECT_EQ(r.out,
              "0x191E 9-30-5771 2 Lesson of 9 30.\n"
              "0x191F 9-29-5768 2 Lesson of 9 31.\n"
              "0x1903 9-3-5769 2 Lesson of 9 3.\n");
}

TEST_F(SearchCommand, OverlappingOccurrencesAndMatchCase) {
    ToolRun r = Tool({"search", "xxx", "--book", TempPath("book.vbk")});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out,
              "0x1105 1-5-5768 25 Four: xxxx.\n"
              "0x1105 1-5-5768 26 Four: xxxx.\n");
    r = Tool({"search", "LESSON of 9 3", "--case", "--book", TempPath("book.vbk")});
    EXPECT_EQ(r.code, kExitNoLesson);
    EXPECT_EQ(r.out, "");
    r = Tool({"search", "Lesson of 9 3.", "--case", "--book", TempPath("book.vbk")});
    EXPECT_EQ(r.code, kExitOk);
    EXPECT_EQ(r.out, "0x1903 9-3-5769 2 Lesson of 9 3.\n");
}

}  // namespace
