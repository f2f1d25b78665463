// Scripts: what each line parses to, which lines are refused (with their number), and the
// quoting of printed values.
#include <fstream>
#include <string>
#include <vector>

#include "platform/script.h"
#include "test_support.h"

namespace velin::platform::testing {
namespace {

TEST(ScriptParseTest, LinesParseToTheirCommands) {
    using K = ScriptCommand;
    const struct {
        const char* line;
        K::Kind kind;
        UINT key;
        bool ctrl, alt;
        int x, y;
        const char* text;
    } kCases[] = {
        {"key Left", K::kKey, VK_LEFT, false, false, 0, 0, ""},
        {"key PageDown  # comment", K::kKey, VK_NEXT, false, false, 0, 0, ""},
        {"key Ctrl+F", K::kKey, 'F', true, false, 0, 0, ""},
        {"key Alt+F3", K::kKey, VK_F3, false, true, 0, 0, ""},
        {"key q", K::kKey, 'Q', false, false, 0, 0, ""},
        {"key 7", K::kKey, '7', false, false, 0, 0, ""},
        {"  tap 12 300\r", K::kTap, 0, false, false, 12, 300, ""},
        {"drag 234 60 234 200", K::kDrag, 0, false, false, 234, 60, ""},
        {"command 40006", K::kCommand, 0, false, false, 40006, 0, ""},
        {"type caf\xc3\xa9 # not a comment", K::kType, 0, false, false, 0, 0, "caf\xc3\xa9 # not a comment"},
        {"type", K::kType, 0, false, false, 0, 0, ""},
        {"shot out/a.png", K::kShot, 0, false, false, 0, 0, "out/a.png"},
        {"print clipboard", K::kPrint, 0, false, false, 0, 0, "clipboard"},
        {"quit", K::kQuit, 0, false, false, 0, 0, ""},
    };
    for (const auto& c : kCases) {
        std::optional<ScriptCommand> out;
        std::string error;
        ASSERT_TRUE(ParseScriptLine(c.line, &out, &error)) << c.line << ": " << error;
        ASSERT_TRUE(out.has_value()) << c.line;
        EXPECT_EQ(out->kind, c.kind) << c.line;
        EXPECT_EQ(out->key, c.key) << c.line;
        EXPECT_EQ(out->ctrl, c.ctrl) << c.line;
        EXPECT_EQ(out->alt, c.alt) << c.line;
        EXPECT_EQ(out->x, c.x) << c.line;
        EXPECT_EQ(out->y, c.y) << c.line;
        EXPECT_EQ(out->text, c.text) << c.line;
    }
    for (const char* blank : {"", "   ", "# a comment", "\t# indented comment\r"}) {
        std::optional<ScriptCommand> out;
        std::string error;
        EXPECT_TRUE(ParseScriptLine(blank, &out, &error));
        EXPECT_FALSE(out.has_value()) << blank;
    }
}

TEST(ScriptParseTest, BadLinesAreRefused) {
    for (const char* line : {"jump 3", "Key Left", "key", "key Left Right", "key Hyper+A", "key F13",
                             "key ab", "tap 1", "tap -1 5", "tap x 5", "tap 1 2 3", "drag 1 2 3",
                             "drag 1 2 3 x", "command 70000",
                             "command", "shot", "print", "print everything", "quit now",
                             "type \xff\xfe"}) {
        std::optional<ScriptCommand> out;
        std::string error;
        EXPECT_FALSE(ParseScriptLine(line, &out, &error)) << line;
        EXPECT_FALSE(error.empty()) << line;
    }
}

TEST(ScriptParseTest, AFileWithABadLineIsRefusedWithItsLineNumber) {
    const std::string dir = MakeTempDir("script-file");
    const std::string path = dir + "/bad.txt";
    std::ofstream(path) << "# setup\nkey Down\n\nfrobnicate 1\nquit\n";
    std::string error;
    EXPECT_EQ(ScriptRunner::Open(path, &error), nullptr);
    EXPECT_EQ(error, path + ":4: unknown command 'frobnicate'");
    EXPECT_EQ(ScriptRunner::Open(dir + "/missing.txt", &error), nullptr);
    EXPECT_NE(error.find("missing.txt"), std::string::npos);
}

TEST(ScriptQuoteTest, ValuesWithBlanksOrQuotesAreQuoted) {
    const struct {
        const char* in;
        const char* out;
    } kCases[] = {
        {"Tahoma", "Tahoma"},
        {"", ""},
        {"a b", "\"a b\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"back\\slash", "back\\slash"},  // no blank or quote: left as it is
        {"a \\ b", "\"a \\\\ b\""},
    };
    for (const auto& c : kCases) EXPECT_EQ(QuoteScriptValue(c.in), c.out) << c.in;
}

// ---- running scripts ----------------------------------------------------------------------------

std::vector<std::string> g_events;
bool g_inner = false;

LRESULT ModalProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wParam) == 1) {
                // A modal loop of its own, as a dialog runs: it takes script commands too.
                g_events.push_back("inner loop starts");
                g_inner = true;
                MSG m;
                while (g_inner && GetMessageW(&m, nullptr, 0, 0) > 0) {
                    TranslateMessage(&m);
                    DispatchMessageW(&m);
                }
                g_events.push_back("inner loop ends");
            }
            return 0;
        case WM_CHAR:
            g_events.push_back(std::string(g_inner ? "inner" : "outer") + " char " +
                               static_cast<char>(wParam));
            if (wParam == 'q') g_inner = false;
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            g_events.push_back(msg == WM_LBUTTONDOWN ? "pen down" : "pen up");
            return 0;
        case WM_DESTROY:
            g_events.push_back("destroyed");
            PostQuitMessage(0);
            return 0;
        default: return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

class ScriptRunTest : public PlatformTest {
protected:
    void RunScript(const std::string& text) {
        const std::string path = dir_ + "/script.txt";
        std::ofstream(path) << text;
        std::string error;
        S().script = ScriptRunner::Open(path, &error);
        ASSERT_NE(S().script, nullptr) << error;
        WNDCLASSW wc{0, ModalProc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, u"Modal"};
        RegisterClassW(&wc);
        ASSERT_NE(CreateWindowExW(0, u"Modal", u"Main window", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr),
                  nullptr);
        MSG m;
        int guard = 0;
        while (GetMessageW(&m, nullptr, 0, 0) > 0 && ++guard < 10000) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
};

TEST_F(ScriptRunTest, WhicheverLoopWaitsTakesTheNextCommandAndTheEndClosesTheProgram) {
    g_events.clear();
    RunScript("type a\ncommand 1\ntype b\ntap 100 100\ntype q\ntype c\n");
    const std::vector<std::string> expected = {
        "outer char a", "inner loop starts", "inner char b", "pen down", "pen up",
        "inner char q", "inner loop ends",   "outer char c", "destroyed"};
    EXPECT_EQ(g_events, expected);
}

TEST_F(ScriptRunTest, PrintWindowsListsVisibleTopLevelWindowsFromTheFront) {
    WNDCLASSW wc{0, DefWindowProcW, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, u"Listed"};
    RegisterClassW(&wc);
    CreateWindowExW(0, u"Listed", u"Back", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                    nullptr, nullptr, nullptr, nullptr);
    CreateWindowExW(0, u"Listed", u"Hidden", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    CreateWindowExW(0, u"Listed", u"Say \"hi\"", WS_POPUP | WS_VISIBLE, 10, 50, 110, 150, nullptr, nullptr,
                    nullptr, nullptr);
    EXPECT_EQ(PrintWindowsText(),
              "window class=HHTaskBar title= rect=0,0,240,26\n"
              "window class=Listed title=\"Say \\\"hi\\\"\" rect=10,50,120,200\n"
              "window class=Listed title=Back rect=0,26,240,320\n");
}

}  // namespace
}  // namespace velin::platform::testing
