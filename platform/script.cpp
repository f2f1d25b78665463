// The script runner: parses commands and turns them into input, screenshots and printed lines.
#include "platform/script.h"

#include <poll.h>
#include <unistd.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>

#include "platform/backend.h"

namespace velin::platform {

namespace {

StateHook g_stateHook = nullptr;

std::map<std::string, PrintHook, std::less<>>& PrintHooks() {
    static std::map<std::string, PrintHook, std::less<>> hooks;
    return hooks;
}

std::string Escaped(std::string_view text, bool crlf) {
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (crlf && c == '\r') {
            out += "\\r";
        } else if (crlf && c == '\n') {
            out += "\\n";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

HWND MainWindow() { return ProgramMainWindow(); }

}  // namespace

void SetStateHook(StateHook hook) { g_stateHook = hook; }

void SetScriptMainWindow(HWND hwnd) { S().scriptMainWindow = hwnd; }

void SetPrintHook(std::string_view topic, PrintHook hook) {
    PrintHooks()[std::string(topic)] = hook;
}

std::unique_ptr<ScriptRunner> ScriptRunner::Open(const std::string& path, std::string* error) {
    std::unique_ptr<ScriptRunner> r(new ScriptRunner());
    std::FILE* f = path == "-" ? stdin : std::fopen(path.c_str(), "r");
    if (!f) {
        *error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    r->stream_ = f;
    r->ownsStream_ = f != stdin;
    struct stat st{};
    if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode)) {
        // Read and check the whole file now, so that a typo is reported before anything runs.
        std::string line;
        while (r->NextLine(&line) == LineStatus::kLine) {
            std::optional<ScriptCommand> c;
            std::string why;
            if (!ParseScriptLine(line, &c, &why)) {
                *error = path + ":" + std::to_string(r->lineNo_) + ": " + why;
                return nullptr;
            }
            if (c) {
                c->line = r->lineNo_;
                r->ready_.emplace_back(r->lineNo_, *c);
            }
        }
    }
    return r;
}

ScriptRunner::~ScriptRunner() {
    if (stream_ && ownsStream_) std::fclose(stream_);
}

ScriptRunner::LineStatus ScriptRunner::NextLine(std::string* line) {
    if (!stream_) return LineStatus::kEnd;
    // Wait for the stream while serving the rendezvous and the desktop, so that a program
    // driven through a pipe still answers other programs and a person between commands.
    const int fd = fileno(stream_);
    State& s = S();
    for (;;) {
        const size_t nl = pending_.find('\n');
        if (nl != std::string::npos) {
            *line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            ++lineNo_;
            return LineStatus::kLine;
        }
        pollfd fds[2] = {{fd, POLLIN, 0}, {RendezvousFd(), POLLIN, 0}};
        const int n = poll(fds, fds[1].fd >= 0 ? 2 : 1, s.backend ? 20 : -1);
        if (n < 0 && errno == EINTR) continue;
        const size_t queued = s.posted.size();
        if (fds[1].fd >= 0 && (fds[1].revents & POLLIN)) RendezvousPoll();
        if (s.backend) s.backend->Pump();
        if (!s.input.empty() || s.posted.size() != queued) return LineStatus::kNotYet;
        if (n < 0 || (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
            char buf[4096];
            const ssize_t got = read(fd, buf, sizeof buf);
            if (got > 0) {
                pending_.append(buf, static_cast<size_t>(got));
                continue;
            }
            if (got < 0 && errno == EINTR) continue;
            // End of the script: a last line without a line end still counts.
            if (ownsStream_) std::fclose(stream_);
            stream_ = nullptr;
            if (!pending_.empty()) {
                *line = pending_;
                pending_.clear();
                ++lineNo_;
                return LineStatus::kLine;
            }
            return LineStatus::kEnd;
        }
    }
}

bool ScriptRunner::Finished() const { return ready_.empty() && !stream_ && !release_; }

void ScriptRunner::Step() {
    State& s = S();
    if (release_) {
        s.input.push_back(*release_);
        release_.reset();
        return;
    }
    if (ready_.empty()) {
        std::string line;
        if (NextLine(&line) != LineStatus::kLine) return;
        std::optional<ScriptCommand> c;
        std::string why;
        if (!ParseScriptLine(line, &c, &why)) {
            std::cerr << "script:" << lineNo_ << ": " << why << std::endl;
            std::exit(2);
        }
        if (!c) return;
        c->line = lineNo_;
        ready_.emplace_back(lineNo_, *c);
    }
    const ScriptCommand c = ready_.front().second;
    ready_.pop_front();
    Run(c);
}

void ScriptRunner::Run(const ScriptCommand& c) {
    State& s = S();
    switch (c.kind) {
        case ScriptCommand::kKey: {
            InputEvent e{InputEvent::kKeyDown, c.key, 0, 0, c.ctrl, c.alt, c.shift};
            s.input.push_back(e);
            e.kind = InputEvent::kKeyUp;
            release_ = e;
            return;
        }
        case ScriptCommand::kTap: {
            InputEvent e{InputEvent::kPenDown, 0, c.x, c.y, false, false, false};
            s.input.push_back(e);
            e.kind = InputEvent::kPenUp;
            release_ = e;
            return;
        }
        case ScriptCommand::kDrag: {
            s.input.push_back(InputEvent{InputEvent::kPenDown, 0, c.x, c.y, false, false, false});
            s.input.push_back(InputEvent{InputEvent::kPenMove, 0, c.x2, c.y2, false, false, false});
            release_ = InputEvent{InputEvent::kPenUp, 0, c.x2, c.y2, false, false, false};
            return;
        }
        case ScriptCommand::kType: {
            std::u16string text;
            DecodeUtf8(c.text, &text);
            for (char16_t ch : text) s.input.push_back(InputEvent{InputEvent::kChar, ch, 0, 0, false, false, false});
            return;
        }
        case ScriptCommand::kCommand:
            if (HWND main = MainWindow()) PostMessageW(main, WM_COMMAND, static_cast<WPARAM>(c.x), 0);
            return;
        case ScriptCommand::kShot:
            if (!SaveScreenshot(c.text)) {
                std::cerr << "script:" << c.line << ": cannot write " << c.text << std::endl;
                std::exit(2);
            }
            return;
        case ScriptCommand::kPrint: {
            std::string out;
            if (c.text == "state") {
                out = "state";
                if (g_stateHook) {
                    const std::string body = g_stateHook();
                    if (!body.empty()) out += " " + body;
                }
            } else if (c.text == "windows") {
                out = PrintWindowsText();
                if (!out.empty() && out.back() == '\n') out.pop_back();
            } else if (c.text == "clipboard") {
                std::u16string text;
                out = PeekClipboardText(&text) ? "clipboard " + Escaped(Utf16ToUtf8(text), true) : "clipboard none";
            } else if (c.text == "url") {
                const std::string& url = LastOpenedAddress();
                out = url.empty() ? "url none" : "url " + url;
            } else {
                auto it = PrintHooks().find(c.text);
                out = it != PrintHooks().end() && it->second ? it->second() : c.text + " none";
            }
            if (!out.empty()) std::cout << out << '\n' << std::flush;
            return;
        }
        case ScriptCommand::kQuit:
            if (HWND main = MainWindow()) PostMessageW(main, WM_CLOSE, 0, 0);
            return;
    }
}

bool ScriptRunner::CloseAfterEnd() {
    ++closeSteps_;
    HWND main = MainWindow();
    switch (closeSteps_) {
        case 1:
            if (main) {
                PostMessageW(main, WM_CLOSE, 0, 0);
                return true;
            }
            [[fallthrough]];
        case 2:
            // The close request was refused or a loop still waits: end the window outright.
            if (main && DestroyWindow(main)) return true;
            [[fallthrough]];
        default:
            // Every loop that still waits is told to end, a modal loop inside another as well.
            PostQuitMessage(0);
            return true;
    }
}

std::string PrintWindowsText() {
    std::string out;
    for (const Window* w : S().zorder) {
        if (!(w->style & WS_VISIBLE)) continue;
        const RECT r = ScreenRect(w);
        out += "window class=" + QuoteScriptValue(Utf16ToUtf8(w->cls->name)) +
               " title=" + QuoteScriptValue(Utf16ToUtf8(w->title)) + " rect=" + std::to_string(r.left) +
               "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
               std::to_string(r.bottom) + "\n";
    }
    return out;
}

}  // namespace velin::platform
