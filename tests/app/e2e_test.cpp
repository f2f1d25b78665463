// The reader end to end: the `velin` program run headless on scripts, with the box face and
// the fixture book, compared by its `print` lines, its settings file and golden screenshots.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "e2e_support.h"

namespace velin::app::testing {
namespace {

// The reader's own scripts share the harness of the feature scripts.
class ReaderTest : public FeatureTest {};

TEST_F(ReaderTest, AFirstStartShowsTodaysLessonWithTheDefaults) {
    const ReaderRun run =
        RunReader(dir_, kFirstDay, "print state\nshot " + dir_ + "/start.png\nprint windows\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    EXPECT_EQ(Field(lines[0], "Day"), "733009");
    EXPECT_EQ(Field(lines[0], "Lesson"), "0x1913");
    EXPECT_EQ(Field(lines[0], "caption"), "\"19 Kislev, 5768\"");
    EXPECT_EQ(Field(lines[0], "Flags"), "0xD1140040");
    EXPECT_EQ(Field(lines[0], "topRow"), "0");
    EXPECT_EQ(Field(lines[0], "bookmarks"), "");
    EXPECT_EQ(lines[1], "window class=HHTaskBar title= rect=0,0,240,26");
    // The menu bar at the bottom, leaving the scroll bar's width free at its right end.
    EXPECT_EQ(lines[2], "window class=MenuBar title= rect=0,294,227,320");
    EXPECT_EQ(lines[3], "window class=Velin-English title=Velin rect=0,26,240,320");
    EXPECT_TRUE(MatchesGolden(dir_ + "/start.png", "start_menu_bar"));
    // The end of the script closes the reader, which saves its settings.
    EXPECT_EQ(StoredDword(u"Flags"), 0xD1140040u);
    EXPECT_EQ(StoredDword(u"FontAsciiBase"), 97u);
    EXPECT_EQ(StoredDword(u"Day"), 733009u);
    EXPECT_EQ(StoredDword(u"Lesson"), 0x1913u);
}

TEST_F(ReaderTest, AStudyYearWithoutLessonsKeepsItsDay) {
    // 1 June 2007 lies in the study year that began in 5767, a common year.
    const ReaderRun run = RunReader(dir_, "2007-06-01",
                                    "print messagebox\nkey Enter\nprint state\n"
                                    "command 109\nprint messagebox\nkey Enter\nprint state\n"
                                    "key Left\nprint messagebox\nkey Enter\nprint state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 6u) << run.out;
    EXPECT_EQ(lines[0], "messagebox caption=Error text=\"Resource not found\"");
    EXPECT_EQ(Field(lines[1], "Day"), "732828");
    EXPECT_EQ(Field(lines[1], "totalRows"), "0") << "the view stays empty";
    EXPECT_EQ(lines[2],
              "messagebox caption=Error text=\"Could not access the\\r\\nThe lesson for the "
              "selected day\"");
    EXPECT_EQ(Field(lines[3], "Day"), "732828") << "the day is kept";
    EXPECT_EQ(Field(lines[3], "Lesson"), Field(lines[1], "Lesson"));
    EXPECT_EQ(Field(lines[3], "caption"), Field(lines[1], "caption"));
    EXPECT_EQ(Field(lines[3], "Flags"), "0xD1140044") << "and pinned";
    EXPECT_EQ(lines[4], lines[2]);
    EXPECT_EQ(Field(lines[5], "Day"), "732828");
}

// A lesson the view refuses is reported like a missing one, and the view keeps its lesson.
TEST_F(ReaderTest, ARefusedLessonKeepsThePreviousDay) {
    const std::string book = dir_ + "/refused.vbk";
    ASSERT_TRUE(WriteFixtureBook(book, 0x1914));  // 20 Kislev
    const ReaderRun run = RunReader(dir_, kFirstDay,
                                    "print state\nkey Right\nprint messagebox\nkey Enter\n"
                                    "print state\n",
                                    "--book " + book);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[1],
              "messagebox caption=Error text=\"Could not access the\\r\\nThe lesson for the "
              "selected day\"");
    EXPECT_EQ(Field(lines[2], "Day"), "733009");
    EXPECT_EQ(Field(lines[2], "Lesson"), "0x1913");
    EXPECT_EQ(Field(lines[2], "totalRows"), Field(lines[0], "totalRows"));
}

TEST_F(ReaderTest, TheStudyYearTurnsOnNineteenKislev) {
    const ReaderRun run = RunReader(dir_, "2007-11-28",
                                    "print state\nprint messagebox\nkey Enter\n"
                                    "command 109\nprint messagebox\nprint state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    EXPECT_EQ(Field(lines[0], "caption"), "\"18 Kislev, 5768\"");
    EXPECT_EQ(Field(lines[0], "Lesson"), "0x0912");
    EXPECT_EQ(lines[1], "messagebox caption=Error text=\"Resource not found\"");
    EXPECT_EQ(lines[2], "messagebox none");
    EXPECT_EQ(Field(lines[3], "caption"), "\"19 Kislev, 5768\"");
    EXPECT_EQ(Field(lines[3], "Lesson"), "0x1913");
    EXPECT_NE(Field(lines[3], "totalRows"), "0");
}

TEST_F(ReaderTest, APinnedDaySurvivesARestartAndTodayOverridesIt) {
    ASSERT_EQ(RunReader(dir_, kFirstDay, "key Right\n").exitCode, 0);
    ReaderRun run = RunReader(dir_, kFirstDay, "print state\n");
    EXPECT_EQ(Field(run.out, "Day"), "733010");
    EXPECT_EQ(Field(run.out, "Lesson"), "0x1914");
    EXPECT_EQ(Field(run.out, "Flags"), "0xD1140044");
    run = RunReader(dir_, kFirstDay, "print state\n", "/TODAY");
    EXPECT_EQ(Field(run.out, "Day"), "733009");
    EXPECT_EQ(Field(run.out, "Flags"), "0xD1140040");
    // Today was chosen, so the next start on a later date shows that date's lesson.
    run = RunReader(dir_, "2007-11-30", "print state\n", "/today extra");
    EXPECT_EQ(Field(run.out, "Day"), "733010") << "only the whole command line /today counts";
}

TEST_F(ReaderTest, TheReadingPositionIsRestored) {
    ReaderRun run = RunReader(dir_, kFirstDay, "key PageDown\nkey Down\nprint state\n");
    const std::string top = Field(run.out, "topRow");
    ASSERT_NE(top, "0");
    run = RunReader(dir_, kFirstDay, "print state\nshot " + dir_ + "/restored.png\n");
    EXPECT_EQ(Field(run.out, "topRow"), top);
    EXPECT_TRUE(MatchesGolden(dir_ + "/restored.png", "restored_position"));
    run = RunReader(dir_, "2007-11-30", "print state\n");
    EXPECT_EQ(Field(run.out, "topRow"), "0") << "a new day opens at its start";
}

TEST_F(ReaderTest, PagingByKeysTapsAndTheScrollBar) {
    // 227 is the scroll bar's column; its down arrow is at the bottom of the window, above the
    // menu bar's row.
    const ReaderRun run = RunReader(dir_, kFirstDay,
                                    "key PageDown\nprint state\n"
                                    "tap 100 250\nprint state\n"  // lower half: forward
                                    "tap 100 60\nprint state\n"   // upper half: back
                                    "key End\nprint state\n"
                                    "key Home\nprint state\n"
                                    "tap 100 30\nprint windows\n"  // the caption box
                                    "key Escape\nprint state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_GE(lines.size(), 7u) << run.out;
    const int page = std::stoi(Field(lines[0], "topRow"));
    EXPECT_GT(page, 0);
    EXPECT_EQ(Field(lines[1], "topRow"), std::to_string(2 * page));
    EXPECT_EQ(Field(lines[2], "topRow"), std::to_string(page));
    EXPECT_EQ(Field(lines[3], "topRow"), Field(lines[3], "lastTopRow"));
    EXPECT_EQ(Field(lines[4], "topRow"), "0");
    // The caption tap opens the calendar in front; cancelled, it leaves the day as it was.
    // Under the task bar, in front of the main window.
    EXPECT_EQ(lines[6], "window class=Dialog title=\"Hebrew Calendar\" rect=0,26,240,320") << run.out;
    EXPECT_EQ(lines.back(), lines[4]);
}

TEST_F(ReaderTest, AcceleratorsOfTheMenuLabels) {
    const ReaderRun run = RunReader(
        dir_, kFirstDay, "key Right\nkey Ctrl+Home\nprint state\nkey Ctrl+Q\nprint state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 1u) << "Ctrl+Q ends the program:\n" << run.out;
    EXPECT_EQ(Field(lines[0], "Day"), "733009") << "Ctrl+Home is Today";
}

// The bars and the gutter, as a user sees them.
TEST_F(ReaderTest, BarsGuttersAndFullScreen) {
    const struct {
        const char* name;
        const char* switches;
        const char* extra;
    } kCases[] = {
        {"command_bar", "", "--os-version 4.20"},
        {"command_bar_gutter", "\"SurroundingGutter\"=dword:6", "--os-version 4.20"},
        {"menu_bar_gutter", "\"SurroundingGutter\"=dword:6", ""},
        {"full_screen", "\"FullScreen\"=dword:1", ""},
        {"command_bar_full_screen", "\"FullScreen\"=dword:1", "--os-version 4.20"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        Settings(c.switches);
        const ReaderRun run =
            RunReader(dir_, kFirstDay,
                      "key Down\nshot " + dir_ + "/" + c.name + ".png\nprint windows\n", c.extra);
        ASSERT_EQ(run.exitCode, 0) << run.out;
        EXPECT_TRUE(MatchesGolden(dir_ + "/" + c.name + ".png", c.name));
        const bool full = std::string(c.switches).find("FullScreen") != std::string::npos;
        EXPECT_EQ(run.out.find("HHTaskBar") == std::string::npos, full) << run.out;
    }
}

// A copy of the reader that stays alive: its script comes through a pipe, a line at a time.
class LiveReader {
  public:
    LiveReader(const std::string& dir, const std::string& date) {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        const std::string cmd = ReaderCommand(dir, date, "--script -");
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
            execl("/bin/sh", "sh", "-c", ("exec " + cmd).c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
    }
    ~LiveReader() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (toChild_ >= 0) close(toChild_);
        if (fromChild_ >= 0) close(fromChild_);
    }
    std::string Command(const std::string& line) {
        const std::string text = line + "\n";
        if (write(toChild_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            return "";
        if (line.rfind("print", 0) != 0) return "";
        std::string answer;
        char c;
        for (;;) {
            pollfd p{fromChild_, POLLIN, 0};
            if (poll(&p, 1, 20000) <= 0 || read(fromChild_, &c, 1) != 1)
                return answer + "<no answer>";
            if (c == '\n') return answer;
            answer.push_back(c);
        }
    }
    int Finish() {
        close(toChild_);
        toChild_ = -1;
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
};

TEST_F(ReaderTest, ASecondStartHandsOverToTheFirst) {
    LiveReader first(dir_, kFirstDay);
    first.Command("key Right");
    ASSERT_EQ(Field(first.Command("print state"), "Day"), "733010");

    // The first copy is in front: the second sends it Today and ends, touching nothing.
    const std::string registryBefore = [&] {
        std::ifstream in(dir_ + "/registry.reg");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    ReaderRun second = RunReader(dir_, kFirstDay, "print state\n");
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out, "") << "the second copy runs no script";
    EXPECT_EQ(Field(first.Command("print state"), "Day"), "733009");
    std::ifstream in(dir_ + "/registry.reg");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), registryBefore);

    // Another program in front: the first copy only comes forward, keeping its day.
    first.Command("key Right");
    {
        SetRegistryFilePath(dir_ + "/registry.reg");
        velin::platform::PlatformOptions options;
        options.headless = true;
        ASSERT_EQ(velin::platform::StartPlatform(options), velin::platform::StartStatus::kOk);
        WNDCLASSW wc{0,       DefWindowProcW, 0,       0,       nullptr,
                     nullptr, nullptr,        nullptr, nullptr, u"Other"};
        RegisterClassW(&wc);
        HWND mine = CreateWindowExW(0, u"Other", u"Other", WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                    nullptr, nullptr, nullptr);
        ASSERT_NE(mine, nullptr);
        HWND reader = FindWindowW(kMainClassName, kMainTitle);
        ASSERT_NE(reader, nullptr);
        EXPECT_NE(GetForegroundWindow(), reader);
        second = RunReader(dir_, kFirstDay, "");
        EXPECT_EQ(second.exitCode, 0);
        // This process is a client of the first one's rendezvous and is not told that it lost
        // the front; the platform's own tests cover SetForegroundWindow across programs.
        velin::platform::StopPlatform();
    }
    EXPECT_EQ(Field(first.Command("print state"), "Day"), "733010") << "without changing its day";
    EXPECT_EQ(first.Finish(), 0);
}

TEST_F(ReaderTest, WithoutADisplayTheLessonIsPrinted) {
    const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY " + std::string(VELIN_READER_PATH) +
                            " --book " + g_book + " --date " + kFirstDay + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[4096];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, got);
    EXPECT_EQ(pclose(p), 0);
    EXPECT_EQ(out.substr(0, 16), "19 Kislev, 5768\n") << out;
    EXPECT_NE(out.find("The First Day"), std::string::npos) << out;
}

TEST_F(ReaderTest, CommandLineFaults) {
    const struct {
        const char* args;
        int exitCode;
    } kCases[] = {
        {"--version", 0},
        {"--date 2007-02-30", 2},
        {"--os-version five", 2},
        {"--wobble", 2},
        {"--book /nonexistent.vbk --headless", 1},
    };
    for (const auto& c : kCases) {
        const std::string cmd = std::string(VELIN_READER_PATH) + " " + c.args + " >/dev/null 2>&1";
        const int status = std::system(cmd.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.exitCode) << c.args;
    }
}

}  // namespace
}  // namespace velin::app::testing
