// The script's line parser, kept apart from the runner so that the fuzz target can take it
// with nothing else of the layer.
#include "platform/script.h"

namespace velin::platform {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool ParseInt(std::string_view s, int lo, int hi, int* out) {
    if (s.empty() || s.size() > 9) return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool ParseKey(std::string_view name, ScriptCommand* c) {
    // Modifiers first: Ctrl+, Alt+, Shift+, in any order.
    for (;;) {
        const size_t plus = name.find('+');
        if (plus == std::string_view::npos || plus + 1 == name.size()) break;
        const std::string_view mod = name.substr(0, plus);
        if (EqualNoCase(mod, "ctrl")) {
            c->ctrl = true;
        } else if (EqualNoCase(mod, "alt")) {
            c->alt = true;
        } else if (EqualNoCase(mod, "shift")) {
            c->shift = true;
        } else {
            return false;
        }
        name.remove_prefix(plus + 1);
    }
    static const struct {
        const char* name;
        UINT vk;
    } kNames[] = {{"Left", VK_LEFT},     {"Right", VK_RIGHT},   {"Up", VK_UP},
                  {"Down", VK_DOWN},     {"PageUp", VK_PRIOR},  {"PageDown", VK_NEXT},
                  {"Home", VK_HOME},     {"End", VK_END},       {"Enter", VK_RETURN},
                  {"Escape", VK_ESCAPE}, {"Tab", VK_TAB},       {"Backspace", VK_BACK},
                  {"Delete", VK_DELETE}, {"Space", VK_SPACE},   {"Insert", VK_INSERT}};
    for (const auto& k : kNames) {
        if (EqualNoCase(name, k.name)) {
            c->key = k.vk;
            return true;
        }
    }
    if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f')) {
        int n = 0;
        if (ParseInt(name.substr(1), 1, 12, &n)) {
            c->key = VK_F1 + static_cast<UINT>(n - 1);
            return true;
        }
    }
    if (name.size() == 1) {
        char ch = name[0];
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        if ((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')) {
            c->key = static_cast<UINT>(ch);
            return true;
        }
    }
    return false;
}

}  // namespace

std::string QuoteScriptValue(std::string_view value) {
    if (value.find_first_of(" \"") == std::string_view::npos) return std::string(value);
    std::string out = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

bool ParseScriptLine(std::string_view raw, std::optional<ScriptCommand>* out, std::string* error) {
    out->reset();
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#') return true;
    const size_t space = line.find_first_of(" \t");
    const std::string_view verb = line.substr(0, space);
    std::string_view rest = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    ScriptCommand c;
    if (verb == "type") {
        // The rest of the line is the text, '#' included; one separating blank is dropped.
        std::string_view text = raw;
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
        text.remove_prefix(4);
        if (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
        c.kind = ScriptCommand::kType;
        c.text = std::string(text);
        std::u16string check;
        if (!DecodeUtf8(c.text, &check)) {
            *error = "type: the text is not valid UTF-8";
            return false;
        }
        *out = c;
        return true;
    }
    // Elsewhere '#' starts a comment.
    if (const size_t hash = rest.find('#'); hash != std::string_view::npos) rest = rest.substr(0, hash);
    rest = Trim(rest);
    std::vector<std::string_view> args;
    while (!rest.empty()) {
        const size_t sp = rest.find_first_of(" \t");
        args.push_back(rest.substr(0, sp));
        rest = sp == std::string_view::npos ? std::string_view() : Trim(rest.substr(sp));
    }
    if (verb == "key") {
        c.kind = ScriptCommand::kKey;
        if (args.size() != 1 || !ParseKey(args[0], &c)) {
            *error = "key: expected one key name such as Left, Enter, F3, Q or Ctrl+F";
            return false;
        }
    } else if (verb == "tap") {
        c.kind = ScriptCommand::kTap;
        if (args.size() != 2 || !ParseInt(args[0], 0, 32767, &c.x) || !ParseInt(args[1], 0, 32767, &c.y)) {
            *error = "tap: expected two pixel coordinates X Y";
            return false;
        }
    } else if (verb == "drag") {
        // The pen goes down at X1 Y1, moves to X2 Y2 and lifts there: a scroll-bar thumb
        // dragged, a selection made with the pen.
        c.kind = ScriptCommand::kDrag;
        if (args.size() != 4 || !ParseInt(args[0], 0, 32767, &c.x) ||
            !ParseInt(args[1], 0, 32767, &c.y) || !ParseInt(args[2], 0, 32767, &c.x2) ||
            !ParseInt(args[3], 0, 32767, &c.y2)) {
            *error = "drag: expected four pixel coordinates X1 Y1 X2 Y2";
            return false;
        }
    } else if (verb == "command") {
        c.kind = ScriptCommand::kCommand;
        if (args.size() != 1 || !ParseInt(args[0], 0, 65535, &c.x)) {
            *error = "command: expected one command id from 0 to 65535";
            return false;
        }
    } else if (verb == "shot") {
        c.kind = ScriptCommand::kShot;
        if (args.size() != 1) {
            *error = "shot: expected one file name";
            return false;
        }
        c.text = std::string(args[0]);
    } else if (verb == "print") {
        c.kind = ScriptCommand::kPrint;
        static const char* kTopics[] = {"state", "windows", "messagebox", "clipboard", "url"};
        bool known = false;
        for (const char* t : kTopics) known = known || (args.size() == 1 && args[0] == t);
        if (!known) {
            *error = "print: expected state, windows, messagebox, clipboard or url";
            return false;
        }
        c.text = std::string(args[0]);
    } else if (verb == "quit") {
        c.kind = ScriptCommand::kQuit;
        if (!args.empty()) {
            *error = "quit: takes no arguments";
            return false;
        }
    } else {
        *error = "unknown command '" + std::string(verb) + "'";
        return false;
    }
    *out = c;
    return true;
}

}  // namespace velin::platform
