// The demonstration program driven by scripts on the headless backend: golden screenshots in
// the box face, printed state, the registry kept between runs, the clipboard, bad scripts, the
// dialog with every control, the question, both bars; a second process; the desktop backend
// under Xvfb showing the same screens.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <vector>

#include "test_support.h"
#ifdef VELIN_HAVE_X11
#include "x11_desktop.h"
#include <X11/keysym.h>
#endif

namespace velin::platform::testing {
namespace {

struct DemoRun {
    int exitCode = -1;
    std::string out;
};

// Runs the demo headless with a script and the box face, collecting standard output.
DemoRun RunDemo(const std::string& dir, const std::string& script, const std::string& extra = "") {
    const std::string path = dir + "/script.txt";
    std::ofstream(path) << script;
    const std::string cmd = std::string(VELIN_DEMO_PATH) + " --headless --test-face --date 2024-03-01 --registry " +
                            dir + "/registry.reg --script " + path + " " + extra + " 2>&1";
    DemoRun run;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return run;
    std::array<char, 4096> buf;
    size_t got;
    while ((got = fread(buf.data(), 1, buf.size(), p)) > 0) run.out.append(buf.data(), got);
    const int status = pclose(p);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

Image Load(const std::string& path) {
    Image img;
    EXPECT_TRUE(ReadPng(path, &img)) << path;
    return img;
}

TEST(DemoTest, ScriptedRunMatchesTheGoldenScreens) {
    const std::string dir = MakeTempDir("demo-golden");
    const DemoRun run = RunDemo(dir,
                            "shot " + dir + "/start.png\n"
                            "key Down\n"
                            "key PageDown\n"
                            "tap 50 120   # a line of text\n"
                            "shot " + dir + "/scrolled.png\n"
                            "print state\n"
                            "tap 233 315  # the scroll bar's down arrow\n"
                            "print state\n"
                            "key Ctrl+C\n"
                            "print clipboard\n"
                            "tap 100 30   # the caption: full screen\n"
                            "shot " + dir + "/fullscreen.png\n"
                            "print windows\n"
                            "type hi there\n"
                            "print state\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    // 21 rows of 13 pixels fit under the caption, so of 40 lines row 19 is the last top row:
    // one line and a page (20) reach it, and the down arrow then changes nothing. Full screen
    // shows two rows more.
    EXPECT_EQ(run.out,
              "state topRow=19 selected=24 commands=0 fullScreen=0 typed= foreground=1\n"
              "state topRow=19 selected=24 commands=0 fullScreen=0 typed= foreground=1\n"
              "clipboard Line 25: caf\xc3\xa9 au lait\n"
              "window class=VelinDemo title=Demo rect=0,0,240,320\n"
              "state topRow=17 selected=24 commands=0 fullScreen=1 typed=\"hi there\" foreground=1\n");
    EXPECT_TRUE(MatchesGolden(Load(dir + "/start.png"), "demo_start"));
    EXPECT_TRUE(MatchesGolden(Load(dir + "/scrolled.png"), "demo_scrolled"));
    EXPECT_TRUE(MatchesGolden(Load(dir + "/fullscreen.png"), "demo_fullscreen"));
}

TEST(DemoTest, SettingsSurviveTheEndOfTheScript) {
    const std::string dir = MakeTempDir("demo-registry");
    ASSERT_EQ(RunDemo(dir, "key PageDown\nkey Down\n").exitCode, 0);
    const DemoRun second = RunDemo(dir, "print state\nquit\nprint state\n");
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out.substr(0, 18), "state topRow=19 se");
    EXPECT_EQ(second.out.find("state", 5), std::string::npos) << "nothing runs after quit closes the program";
}

TEST(DemoTest, BadScriptsStopWithTheLineAndExitCodeTwo) {
    const std::string dir = MakeTempDir("demo-bad");
    const DemoRun run = RunDemo(dir, "key Down\nshot " + dir + "/never.png\nwobble\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.out.find("script.txt:3: unknown command 'wobble'"), std::string::npos) << run.out;
    EXPECT_FALSE(std::ifstream(dir + "/never.png").good()) << "nothing ran";
}

// ---- dialogs, controls, the question and the bars ---------------------------------------------
// The controls dialog lies at 6,54-233,291: the name edit at (80, 108), Add at (190, 108), the
// list from y 122, the owner-drawn Taps button at (190, 156), Keep at (24, 206), the notes from
// y 218; the caption's OK button at (216, 64).

TEST(DemoTest, ControlsDialogAnswersTapsAndKeys) {
    const std::string dir = MakeTempDir("demo-controls");
    const DemoRun run = RunDemo(dir,
                                "command 201\n"
                                "shot " + dir + "/fresh.png\n"
                                "print windows\n"
                                "tap 80 108\n"
                                "type Cheshvan month   # two letters past the limit of 12\n"
                                "tap 190 108           # Add: sorted in, selected by its prefix\n"
                                "shot " + dir + "/added.png\n"
                                "tap 60 140            # the second name\n"
                                "tap 190 156\n"
                                "tap 190 156\n"
                                "tap 24 206\n"
                                "tap 200 236           # the end of the notes' second line\n"
                                "type , third\n"
                                "key Enter\n"
                                "type Fourth\n"
                                "shot " + dir + "/used.png\n"
                                "tap 216 64\n"
                                // By keys alone: Tab to the list, two names down, Tab to the
                                // owner-drawn button, Space presses it, Escape cancels.
                                "command 201\n"
                                "type Adar II\n"
                                "key Tab\nkey Tab\nkey Down\nkey Down\nkey Tab\nkey Space\n"
                                "shot " + dir + "/keys.png\n"
                                "key Escape\n"
                                // Enter in the one-line edit answers OK.
                                "command 201\n"
                                "type Av\n"
                                "key Enter\n"
                                "print windows\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out,
              "window class=HHTaskBar title= rect=0,0,240,26\n"
              "window class=Dialog title=Controls rect=6,54,233,291\n"
              "window class=VelinDemo title=Demo rect=0,26,240,320\n"
              "controls result=1 name= picked=av keep=1 taps=2 "
              "notes=\"First line\\r\\nSecond line, third\\r\\nFourth\"\n"
              "controls result=2 name=\"Adar II\" picked=av keep=0 taps=1 notes=\"First line\\r\\nSecond line\"\n"
              "controls result=1 name=Av picked=- keep=0 taps=0 notes=\"First line\\r\\nSecond line\"\n"
              "window class=HHTaskBar title= rect=0,0,240,26\n"
              "window class=VelinDemo title=Demo rect=0,26,240,320\n");
    EXPECT_TRUE(MatchesGolden(Load(dir + "/fresh.png"), "demo_controls"));
    EXPECT_TRUE(MatchesGolden(Load(dir + "/added.png"), "demo_controls_added"));
    EXPECT_TRUE(MatchesGolden(Load(dir + "/used.png"), "demo_controls_used"));
    EXPECT_TRUE(MatchesGolden(Load(dir + "/keys.png"), "demo_controls_keys"));
}

TEST(DemoTest, QuestionAnswersYesNoAndCancelByTapsAndKeys) {
    const std::string dir = MakeTempDir("demo-question");
    const struct {
        const char* input;
        const char* answer;
        bool staysOpen;  // the input alone leaves the box up; Escape then answers it
    } kCases[] = {
        {"key Y", "yes", false},        {"key N", "no", false},  // access keys; Cancel has Escape
        {"key Enter", "yes", false},    {"key Escape", "cancel", false},  // Yes is the default
        {"tap 60 202", "yes", false},   {"tap 120 202", "no", false},   {"tap 178 202", "cancel", false},
        {"tap 120 100", "cancel", true},  // beside the box
        {"key Q", "cancel", true},        // no button has Q
    };
    const std::string shown = "messagebox caption=Demo text=\"Keep the changes to the notes?\"\n";
    std::string script = "command 202\nprint messagebox\nshot " + dir + "/question.png\nkey Escape\n";
    std::string want = shown + "answer cancel\n";
    for (const auto& c : kCases) {
        script += std::string("command 202\n") + c.input + "\n";
        if (c.staysOpen) {
            script += "print messagebox\nkey Escape\n";
            want += shown;
        }
        want += std::string("answer ") + c.answer + "\n";
    }
    script += "print messagebox\n";
    want += "messagebox none\n";
    const DemoRun run = RunDemo(dir, script);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out, want);
    EXPECT_TRUE(MatchesGolden(Load(dir + "/question.png"), "demo_question"));
}

TEST(DemoTest, MenuBarAtTheBottomCarriesGoAndTheToolButtons) {
    const std::string dir = MakeTempDir("demo-menubar");
    const DemoRun run = RunDemo(dir,
                                "command 205\n"
                                "shot " + dir + "/bar.png\n"
                                "print windows\n"
                                "tap 8 307    # Go\n"
                                "shot " + dir + "/before.png\n"
                                "tap 40 120   # Bookmark: checks it\n"
                                "tap 8 307\n"
                                "shot " + dir + "/checked.png\n"
                                "key Escape\n"
                                "tap 60 307   # Today\n"
                                "tap 85 307   # Next Day\n"
                                "print state\n"
                                "tap 8 307\n"
                                "tap 40 120   # Bookmark again: unchecks it\n"
                                "tap 8 307\n"
                                "shot " + dir + "/unchecked.png\n"
                                "key Escape\n");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out,
              "window class=HHTaskBar title= rect=0,0,240,26\n"
              "window class=MenuBar title= rect=0,294,240,320\n"
              "window class=VelinDemo title=Demo rect=0,26,240,294\n"
              "command 109\n"
              "state topRow=0 selected=-1 commands=1 fullScreen=0 typed= foreground=1\n");
    EXPECT_TRUE(MatchesGolden(Load(dir + "/bar.png"), "demo_menubar"));
    EXPECT_TRUE(MatchesGolden(Load(dir + "/checked.png"), "demo_menubar_go_checked"));
    // The check mark goes as it came: the menu looks as it did before it was set.
    const Image before = Load(dir + "/before.png");
    EXPECT_TRUE(Load(dir + "/unchecked.png").pixels == before.pixels);
    EXPECT_FALSE(Load(dir + "/checked.png").pixels == before.pixels);
}

TEST(DemoTest, CommandBarAtTheTopOnTheOlderPlatform) {
    const std::string dir = MakeTempDir("demo-commandbar");
    const DemoRun run = RunDemo(dir,
                                "command 205\n"
                                "shot " + dir + "/bar.png\n"
                                "tap 8 40     # Go\n"
                                "shot " + dir + "/go.png\n"
                                "key Escape\n"
                                "tap 38 40    # Previous Day\n"
                                "tap 100 60   # the caption box, under the bar: full screen\n"
                                "print state\n"
                                "tap 216 13   # full screen moved the bar up; its close button ends the program\n"
                                "print state\n",
                                "--os-version 4.20");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out,
              "command 110\n"
              "state topRow=0 selected=-1 commands=0 fullScreen=1 typed= foreground=1\n");
    EXPECT_TRUE(MatchesGolden(Load(dir + "/bar.png"), "demo_commandbar"));
    EXPECT_TRUE(MatchesGolden(Load(dir + "/go.png"), "demo_commandbar_go"));
}

// A demo program running headless whose script is fed through a pipe, a line at a time, so
// that it stays alive and serves other programs between commands.
class LiveDemo {
public:
    // Headless unless a display is given; `extra` switches go to the desktop one.
    explicit LiveDemo(const std::string& registry, const std::string& display = "",
                      const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args;
        if (display.empty()) {
            args = {VELIN_DEMO_PATH, "--headless", "--test-face", "--registry", registry, "--script", "-"};
        } else {
            args = {VELIN_DEMO_PATH, "--scale", "2", "--test-face", "--date", "2024-03-01", "--registry", registry,
                    "--script", "-"};
            args.insert(args.end(), extra.begin(), extra.end());
        }
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
            if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
            execv(VELIN_DEMO_PATH, argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
    }
    ~LiveDemo() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (toChild_ >= 0) close(toChild_);
        if (fromChild_ >= 0) close(fromChild_);
    }
    // Sends one script line and, for `print`, returns the line it answers with.
    std::string Command(const std::string& line) {
        const std::string text = line + "\n";
        if (write(toChild_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return "";
        if (line.rfind("print", 0) != 0) return "";
        std::string answer;
        char c;
        for (;;) {
            pollfd p{fromChild_, POLLIN, 0};
            if (poll(&p, 1, 20000) <= 0 || read(fromChild_, &c, 1) != 1) return answer + "<no answer>";
            if (c == '\n') return answer;
            answer.push_back(c);
        }
    }
    // For a `print` that answers with several lines: all of them, up to the answer of a
    // `print url` sent after it as an end mark.
    std::string Lines(const std::string& line) {
        const std::string text = line + "\nprint url\n";
        if (write(toChild_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return "";
        std::string all, current;
        char c;
        for (;;) {
            pollfd p{fromChild_, POLLIN, 0};
            if (poll(&p, 1, 20000) <= 0 || read(fromChild_, &c, 1) != 1) return all + "<no answer>";
            if (c != '\n') {
                current.push_back(c);
                continue;
            }
            if (current.rfind("url ", 0) == 0) return all;
            all += current + "\n";
            current.clear();
        }
    }
    // Ends the script and returns the exit code.
    int Finish() {
        close(toChild_);
        toChild_ = -1;
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void Kill() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
};

std::string SecondCopy(const std::string& registry) {
    const std::string cmd = std::string(VELIN_DEMO_PATH) + " --headless --script /dev/null --registry " + registry + " 2>/dev/null";
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[256];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, got);
    pclose(p);
    return out;
}

bool Has(const std::string& line, const std::string& part) { return line.find(part) != std::string::npos; }

TEST(SecondProcessTest, FindsTheFirstWindowSendsItACommandAndBringsItToTheFront) {
    const std::string dir = MakeTempDir("second-process");
    const std::string registry = dir + "/registry.reg";
    LiveDemo first(registry);
    ASSERT_TRUE(Has(first.Command("print state"), "commands=0")) << "the first copy is running";

    // The first copy is in front: the second one sends it Today (command 108) and ends.
    EXPECT_EQ(SecondCopy(registry), "handed over\n");
    std::string state = first.Command("print state");
    EXPECT_TRUE(Has(state, "commands=1") && Has(state, "foreground=1")) << state;

    // This test process finds the same window and gets the result of a message it sends.
    SetRegistryFilePath(registry);
    HWND remote = FindWindowW(u"VelinDemo", u"Demo");
    ASSERT_NE(remote, nullptr);
    EXPECT_TRUE(IsWindow(remote));
    EXPECT_EQ(FindWindowW(u"VelinDemo", u"Other"), nullptr);
    EXPECT_EQ(GetForegroundWindow(), remote);
    EXPECT_EQ(GetParent(remote), nullptr);
    SendMessageW(remote, WM_COMMAND, 108, 0);
    EXPECT_TRUE(Has(first.Command("print state"), "commands=2"));

    // Another program comes to the front: the second copy now only brings the first forward.
    {
        PlatformOptions options;
        options.headless = true;
        ASSERT_EQ(StartPlatform(options), StartStatus::kOk);
        WNDCLASSW wc{0, DefWindowProcW, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, u"Other"};
        RegisterClassW(&wc);
        HWND mine = CreateWindowExW(0, u"Other", u"Other", WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                                    nullptr);
        ASSERT_NE(mine, nullptr);
        state = first.Command("print state");
        EXPECT_TRUE(Has(state, "foreground=0")) << state;
        EXPECT_EQ(SecondCopy(registry), "handed over\n");
        state = first.Command("print state");
        EXPECT_TRUE(Has(state, "commands=2") && Has(state, "foreground=1")) << state;
        StopPlatform();
    }
    EXPECT_EQ(first.Finish(), 0);

    // Separate settings files never meet.
    LiveDemo elsewhere(dir + "/other.reg");
    ASSERT_TRUE(Has(elsewhere.Command("print state"), "commands=0"));
    EXPECT_EQ(SecondCopy(registry), "");
    EXPECT_EQ(elsewhere.Finish(), 0);
}

TEST(SecondProcessTest, AProgramThatDiedDoesNotBlockTheNextStart) {
    const std::string dir = MakeTempDir("died");
    const std::string registry = dir + "/registry.reg";
    {
        LiveDemo doomed(registry);
        ASSERT_TRUE(Has(doomed.Command("print state"), "commands=0"));
        doomed.Kill();  // its socket stays behind
    }
    LiveDemo next(registry);
    ASSERT_TRUE(Has(next.Command("print state"), "commands=0"));
    EXPECT_EQ(SecondCopy(registry), "handed over\n");
    EXPECT_TRUE(Has(next.Command("print state"), "commands=1"));
    EXPECT_EQ(next.Finish(), 0);
}

// ---- the desktop backend under Xvfb ------------------------------------------------------------

// Starts Xvfb on a free display; empty when it is not installed.
class Xvfb {
public:
    Xvfb() {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 2);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        pollfd p{fds[0], POLLIN, 0};
        while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number.push_back(c);
        close(fds[0]);
        if (!number.empty()) display_ = ":" + number;
    }
    ~Xvfb() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& Display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

bool OnPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) return true;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return false;
}

// The pixels of a desktop picture at twice the size that differ from the headless screen; the
// first few are reported.
int ScaledDifferences(const Image& shown, const Image& reference) {
    EXPECT_EQ(shown.width, reference.width * 2);
    EXPECT_EQ(shown.height, reference.height * 2);
    if (shown.width != reference.width * 2 || shown.height != reference.height * 2) return -1;
    int differences = 0;
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            const uint32_t want = reference.pixels[static_cast<size_t>(y / 2) * reference.width + x / 2];
            if (shown.pixels[static_cast<size_t>(y) * shown.width + x] != want && differences++ < 3) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") differs";
            }
        }
    }
    return differences;
}

TEST(DesktopTest, TheWindowUnderXvfbShowsTheHeadlessScreenScaled) {
#ifndef VELIN_HAVE_X11
    GTEST_SKIP() << "built without the X library (apt-get install libx11-dev)";
#endif
    if (!OnPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed (apt-get install xvfb)";
    Xvfb server;
    ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
    const std::string dir = MakeTempDir("desktop");
    const std::string steps = "key Down\ntap 50 120\n";

    // The same steps headless give the reference.
    ASSERT_EQ(RunDemo(dir, steps + "shot " + dir + "/headless.png\n").exitCode, 0);
    Image reference = Load(dir + "/headless.png");
    ASSERT_EQ(reference.width, 240);

    LiveDemo desktop(dir + "/desktop.reg", server.Display());
    std::string answer;
    for (const char* step : {"key Down", "tap 50 120"}) desktop.Command(step);
    answer = desktop.Command("print state");  // answered once the screen has settled
    ASSERT_TRUE(Has(answer, "selected=6")) << answer;

    Image shown;
#ifdef VELIN_HAVE_X11
    ASSERT_TRUE(GrabWindow(server.Display(), "Velin", &shown));
#endif
    WritePng(std::string(VELIN_BINARY_DIR) + "/tests/platform/desktop_xvfb.png", shown.pixels.data(), shown.width,
             shown.height);
    EXPECT_EQ(ScaledDifferences(shown, reference), 0);
    EXPECT_EQ(desktop.Finish(), 0);
}

// Every control and both bars on the desktop: the same steps headless and under Xvfb give the
// same screen, twice the size on the desktop. Each desktop picture is kept in the build folder
// as desktop_NAME.png, to be looked at.
TEST(DesktopTest, DialogsControlsAndBarsLookAsTheyDoHeadless) {
#ifndef VELIN_HAVE_X11
    GTEST_SKIP() << "built without the X library (apt-get install libx11-dev)";
#else
    if (!OnPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed (apt-get install xvfb)";
    Xvfb server;
    ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
    const struct {
        const char* name;
        std::vector<std::string> steps;
        const char* version;  // empty: the platform's own
    } kScreens[] = {
        {"controls",
         {"command 201", "tap 80 108", "type Elul", "tap 190 108", "tap 190 156", "tap 24 206", "tap 200 236",
          "type !"},
         ""},
        {"question", {"command 202"}, ""},
        {"menubar", {"command 205", "tap 8 307", "tap 40 120", "tap 8 307"}, ""},
        {"commandbar", {"command 205", "tap 8 40"}, "4.20"},
    };
    for (const auto& screen : kScreens) {
        SCOPED_TRACE(screen.name);
        const std::string dir = MakeTempDir(std::string("desktop-") + screen.name);
        std::vector<std::string> extra;
        if (*screen.version) extra = {"--os-version", screen.version};
        std::string script;
        for (const std::string& step : screen.steps) script += step + "\n";
        const std::string version = *screen.version ? std::string("--os-version ") + screen.version : "";
        ASSERT_EQ(RunDemo(dir, script + "shot " + dir + "/headless.png\n", version).exitCode, 0);
        const Image reference = Load(dir + "/headless.png");
        ASSERT_EQ(reference.width, 240);

        LiveDemo desktop(dir + "/desktop.reg", server.Display(), extra);
        for (const std::string& step : screen.steps) desktop.Command(step);
        const std::string answer = desktop.Command("print state");  // once the screen has settled
        ASSERT_TRUE(Has(answer, "state ")) << answer;
        Image shown;
        ASSERT_TRUE(GrabWindow(server.Display(), "Velin", &shown));
        WritePng(std::string(VELIN_BINARY_DIR) + "/tests/platform/desktop_" + screen.name + ".png",
                 shown.pixels.data(), shown.width, shown.height);
        EXPECT_EQ(ScaledDifferences(shown, reference), 0);
        EXPECT_EQ(desktop.Finish(), 0);
    }
#endif
}

TEST(DesktopTest, MouseKeysAndTheCloseButtonReachTheProgram) {
#ifndef VELIN_HAVE_X11
    GTEST_SKIP() << "built without the X library (apt-get install libx11-dev)";
#else
    if (!OnPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed (apt-get install xvfb)";
    Xvfb server;
    ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
    const std::string dir = MakeTempDir("desktop-input");
    LiveDemo desktop(dir + "/registry.reg", server.Display());
    ASSERT_TRUE(Has(desktop.Command("print state"), "topRow=0"));
    const std::string& d = server.Display();
    // The window is shown at twice the size: a click at (100, 254) is the pen at (50, 127),
    // on the seventh line (the text starts under the 18-pixel caption at y 26 + 18).
    ASSERT_TRUE(ClickWindow(d, "Velin", 100, 254));
    ASSERT_TRUE(PressKey(d, "Velin", XK_Down, false));
    ASSERT_TRUE(PressKey(d, "Velin", XK_h, false));  // one character, not two
    ASSERT_TRUE(PressKey(d, "Velin", XK_c, true));   // Ctrl+C copies the selected line
    std::string state;
    for (int i = 0; i < 50 && !Has(state, "typed=h "); ++i) {
        usleep(20000);
        state = desktop.Command("print state");
    }
    EXPECT_TRUE(Has(state, "topRow=1 selected=6 ") && Has(state, "typed=h ")) << state;
    EXPECT_EQ(desktop.Command("print clipboard"), "clipboard Line 7: caf\xc3\xa9 au lait");
    // Resizing the desktop window resizes the screen; the full-height window follows it.
    ASSERT_TRUE(ResizeWindow(d, "Velin", 600, 800));
    std::string windows;
    for (int i = 0; i < 50 && !Has(windows, "rect=0,26,300,400"); ++i) {
        usleep(20000);
        windows = desktop.Lines("print windows");
    }
    EXPECT_TRUE(Has(windows, "class=VelinDemo title=Demo rect=0,26,300,400")) << windows;
    // The close button ends the program as the close request does; the setting is saved.
    ASSERT_TRUE(CloseWindow(d, "Velin"));
    EXPECT_EQ(desktop.Finish(), 0);
    std::ifstream saved(dir + "/registry.reg");
    std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(Has(text, "\"TopRow\"=dword:00000001")) << text;
#endif
}

}  // namespace
}  // namespace velin::platform::testing
