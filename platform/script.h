// Scripts: the input of the headless backend (and, when given, of the desktop one). One command
// a line; the message loop that is waiting takes the next command when its queue is empty.
#pragma once

#include <cstdio>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/internal.h"

namespace velin::platform {

struct ScriptCommand {
    enum Kind { kKey, kTap, kDrag, kType, kCommand, kShot, kPrint, kQuit } kind = kQuit;
    UINT key = 0;  // virtual key of `key`
    bool ctrl = false;
    bool alt = false;
    bool shift = false;
    int x = 0;  // `tap` and `drag` position, or `command` id
    int y = 0;
    int x2 = 0;  // where a `drag` lifts the pen
    int y2 = 0;
    std::string text;  // `type` text (UTF-8), `shot` file, `print` topic
    int line = 0;
};

// Parses one line. Blank lines and comments give true with *out left empty; a bad line gives
// false with *error saying what is wrong (without the line number).
bool ParseScriptLine(std::string_view line, std::optional<ScriptCommand>* out, std::string* error);

class ScriptRunner {
public:
    // A regular file is read and checked whole before anything runs; standard input ("-") or
    // a pipe is read a line at a time as the program asks for it. Null with *error (naming
    // the line) when the file cannot be read or a line is bad.
    static std::unique_ptr<ScriptRunner> Open(const std::string& path, std::string* error);
    ~ScriptRunner();

    bool Finished() const;
    // Runs the next command (or the second half of the last one: a key's release, the pen's
    // lift). A bad line met while streaming ends the program with exit code 2.
    void Step();
    // After the last command: closes the main window as `quit` does, then makes sure the
    // loop ends. False once there is nothing left to do.
    bool CloseAfterEnd();

private:
    ScriptRunner() = default;
    enum class LineStatus { kLine, kEnd, kNotYet };
    // kNotYet: input or a request from another program came first; the loop handles it and
    // asks again.
    LineStatus NextLine(std::string* line);
    void Run(const ScriptCommand& c);

    std::deque<std::pair<int, ScriptCommand>> ready_;
    std::FILE* stream_ = nullptr;  // open while lines are still to be read
    bool ownsStream_ = false;
    int lineNo_ = 0;
    std::string pending_;
    std::optional<InputEvent> release_;
    int closeSteps_ = 0;
};

// The lines `print` writes, for the runner and for tests.
std::string PrintWindowsText();

}  // namespace velin::platform
