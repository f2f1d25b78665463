#include "platform/registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_set>

#include "platform/shell.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Names.

// Key and value names compare without letter case: ASCII and the Latin-1 letters.
char16_t FoldCase(char16_t c) {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
    return c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

// A name the file can hold on one line and read back unchanged: no control character, no
// unpaired surrogate.
bool IsWritableName(std::u16string_view name) {
    for (size_t i = 0; i < name.size(); ++i) {
        char16_t c = name[i];
        if (c < 0x20) return false;
        if (c >= 0xD800 && c < 0xDC00) {
            if (i + 1 >= name.size() || name[i + 1] < 0xDC00 || name[i + 1] >= 0xE000) return false;
            ++i;
        } else if (c >= 0xDC00 && c < 0xE000) {
            return false;
        }
    }
    return true;
}

// A key path: components separated by single backslashes, none empty. One trailing backslash
// is accepted, as the platform does.
std::optional<std::u16string> NormalizePath(std::u16string_view path) {
    if (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    if (path.empty()) return std::u16string();
    if (path.front() == u'\\' || path.find(u"\\\\") != std::u16string_view::npos) {
        return std::nullopt;
    }
    return std::u16string(path);
}

constexpr std::u16string_view kRootName = u"HKEY_CURRENT_USER";

// ---------------------------------------------------------------------------------------------
// Parsing.

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != prefix[i]) return false;
    }
    return true;
}

// 1 to 8 hex digits and nothing else.
std::optional<uint32_t> ParseHex32(std::string_view s) {
    if (s.empty() || s.size() > 8) return std::nullopt;
    uint32_t v = 0;
    for (char c : s) {
        int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        v = (v << 4) | static_cast<uint32_t>(d);
    }
    return v;
}

// A quoted string with \" and \\ escaped, starting at s[*pos] == '"'; moves past the closing
// quote. The bytes between must be UTF-8.
const char* ParseQuoted(std::string_view s, size_t* pos, std::u16string* out) {
    std::string raw;
    size_t i = *pos + 1;
    for (;; ++i) {
        if (i >= s.size()) return "a string has no closing quote";
        char c = s[i];
        if (c == '"') break;
        if (c == '\\') {
            if (i + 1 >= s.size() || (s[i + 1] != '"' && s[i + 1] != '\\')) {
                return "a backslash in a string is not followed by \\ or \"";
            }
            c = s[++i];
        }
        raw.push_back(c);
    }
    if (!DecodeUtf8(raw, out)) return "a string is not UTF-8";
    *pos = i + 1;
    return nullptr;
}

const char* ParseHexBytes(std::string_view s, std::vector<uint8_t>* out) {
    out->clear();
    s = Trim(s);
    if (s.empty()) return nullptr;
    size_t start = 0;
    for (;;) {
        size_t comma = s.find(',', start);
        std::string_view token =
            Trim(s.substr(start, comma == std::string_view::npos ? s.npos : comma - start));
        if (token.empty() || token.size() > 2) return "a byte of hex data is not 1 or 2 digits";
        std::optional<uint32_t> v = ParseHex32(token);
        if (!v) return "hex data holds something other than hex digits";
        out->push_back(static_cast<uint8_t>(*v));
        if (comma == std::string_view::npos) return nullptr;
        start = comma + 1;
    }
}

// One value line (continuations already joined, without their backslashes).
const char* ParseValueLine(std::string_view line, RegValueEntry* value) {
    size_t pos = 0;
    if (line[0] == '@') {
        value->name.clear();
        pos = 1;
    } else if (line[0] == '"') {
        if (const char* why = ParseQuoted(line, &pos, &value->name)) return why;
    } else {
        return "the line is neither a key, a value nor a comment";
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=') return "a value name is not followed by =";
    std::string_view data = Trim(line.substr(pos + 1));
    if (!data.empty() && data[0] == '"') {
        std::u16string text;
        size_t end = 0;
        if (const char* why = ParseQuoted(data, &end, &text)) return why;
        if (end != data.size()) return "text follows a string";
        value->type = REG_SZ;
        value->data.resize((text.size() + 1) * 2);
        for (size_t i = 0; i <= text.size(); ++i) {
            char16_t c = i < text.size() ? text[i] : 0;
            value->data[2 * i] = static_cast<uint8_t>(c & 0xFF);
            value->data[2 * i + 1] = static_cast<uint8_t>(c >> 8);
        }
        return nullptr;
    }
    if (StartsWithNoCase(data, "dword:")) {
        std::optional<uint32_t> v = ParseHex32(data.substr(6));
        if (!v) return "a dword is not 1 to 8 hex digits";
        value->type = REG_DWORD;
        value->data = {static_cast<uint8_t>(*v), static_cast<uint8_t>(*v >> 8),
                       static_cast<uint8_t>(*v >> 16), static_cast<uint8_t>(*v >> 24)};
        return nullptr;
    }
    if (StartsWithNoCase(data, "hex:")) {
        value->type = REG_BINARY;
        return ParseHexBytes(data.substr(4), &value->data);
    }
    if (StartsWithNoCase(data, "hex(")) {
        size_t close = data.find(')');
        if (close == std::string_view::npos || close + 1 >= data.size() || data[close + 1] != ':') {
            return "a hex(type) value is malformed";
        }
        std::optional<uint32_t> type = ParseHex32(data.substr(4, close - 4));
        if (!type) return "the type of a hex(type) value is not 1 to 8 hex digits";
        value->type = *type;
        return ParseHexBytes(data.substr(close + 2), &value->data);
    }
    if (data == "-") return "deleting a value is not supported here";
    return "the data is neither a string, a dword nor hex";
}

// The path inside [ ], decoded; "HKEY_CURRENT_USER\" in front is accepted and dropped.
const char* ParseKeyLine(std::string_view line, std::u16string* path) {
    if (line.size() < 2 || line.back() != ']') return "a key line does not end with ]";
    std::u16string inner;
    if (!DecodeUtf8(line.substr(1, line.size() - 2), &inner)) return "a key name is not UTF-8";
    if (inner.size() >= kRootName.size() &&
        SameName(inner.substr(0, kRootName.size()), kRootName) &&
        (inner.size() == kRootName.size() || inner[kRootName.size()] == u'\\')) {
        inner.erase(0, kRootName.size() + (inner.size() > kRootName.size() ? 1 : 0));
        if (inner.empty()) {
            path->clear();
            return nullptr;
        }
    } else if (inner.empty()) {
        return "a key line names no key";
    }
    if (inner.front() == u'\\' || inner.back() == u'\\' ||
        inner.find(u"\\\\") != std::u16string::npos) {
        return "a key name has an empty part";
    }
    if (!IsWritableName(inner)) return "a key name holds a control character";
    if (inner.front() == u'-') return "deleting a key is not supported here";
    *path = std::move(inner);
    return nullptr;
}

RegKeyEntry* FindKey(RegistryData* data, std::u16string_view path) {
    for (RegKeyEntry& key : data->keys) {
        if (SameName(key.path, path)) return &key;
    }
    return nullptr;
}

RegValueEntry* FindValue(RegKeyEntry* key, std::u16string_view name) {
    for (RegValueEntry& value : key->values) {
        if (SameName(value.name, name)) return &value;
    }
    return nullptr;
}

void PutValue(RegKeyEntry* key, RegValueEntry value) {
    if (RegValueEntry* old = FindValue(key, value.name)) {
        old->type = value.type;
        old->data = std::move(value.data);
    } else {
        key->values.push_back(std::move(value));
    }
}

// ---------------------------------------------------------------------------------------------
// Writing.

void AppendEscaped(std::u16string_view text, std::string* out) {
    out->push_back('"');
    for (char c : Utf16ToUtf8(text)) {
        if (c == '"' || c == '\\') out->push_back('\\');
        out->push_back(c);
    }
    out->push_back('"');
}

// A REG_SZ that can be written as "text": whole UTF-16 units, one terminating zero at the end
// and none before it, nothing that would break the line or not come back the same.
bool IsPlainString(const std::vector<uint8_t>& data, std::u16string* text) {
    if (data.size() < 2 || data.size() % 2 != 0) return false;
    size_t units = data.size() / 2;
    std::u16string s;
    for (size_t i = 0; i + 1 < units; ++i) {
        char16_t c = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
        if (c == 0 || (c < 0x20 && c != '\t')) return false;
        s.push_back(c);
    }
    if (data[data.size() - 2] != 0 || data[data.size() - 1] != 0) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] < 0xE000) {
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            return false;
        }
    }
    *text = std::move(s);
    return true;
}

// regedit's layout: bytes as two lower-case digits, lines kept under 80 columns with ",\"
// and a two-space indent on the continuation.
void AppendHex(const std::vector<uint8_t>& data, size_t column, std::string* out) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < data.size(); ++i) {
        if (i > 0) {
            if (column + 3 > 76) {
                *out += ",\\\n  ";
                column = 2;
            } else {
                out->push_back(',');
                ++column;
            }
        }
        out->push_back(kDigits[data[i] >> 4]);
        out->push_back(kDigits[data[i] & 0xF]);
        column += 2;
    }
}

void AppendValue(const RegValueEntry& value, std::string* out) {
    size_t start = out->size();
    if (value.name.empty()) {
        out->push_back('@');
    } else {
        AppendEscaped(value.name, out);
    }
    out->push_back('=');
    std::u16string text;
    if (value.type == REG_SZ && IsPlainString(value.data, &text)) {
        AppendEscaped(text, out);
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        uint32_t v = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                     (static_cast<uint32_t>(value.data[3]) << 24);
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", v);
        *out += "dword:";
        *out += digits;
    } else {
        if (value.type == REG_BINARY) {
            *out += "hex:";
        } else {
            char prefix[16];
            std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
            *out += prefix;
        }
        AppendHex(value.data, out->size() - start, out);
    }
    out->push_back('\n');
}

// ---------------------------------------------------------------------------------------------
// The store: the loaded file, the open keys.

struct OpenKey {
    std::u16string path;
    REGSAM access;
    bool changed;  // something was changed through this key since it was opened
};

struct Store {
    std::string path;
    bool pathSet = false;
    bool loaded = false;
    bool loadFailed = false;  // the file exists but could not be read: never write over it
    bool dirty = false;       // memory differs from the file
    RegistryData data;
    std::unordered_set<OpenKey*> open;
    RegistryWriteFault fault = RegistryWriteFault::kNone;
};

Store& TheStore() {
    static Store store;
    return store;
}

std::string DefaultPath() {
    if (const char* env = std::getenv("VELIN_REGISTRY"); env != nullptr && env[0] != 0) return env;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != 0) {
        base = std::string(home) + "/.config";
    } else {
        base = ".";
    }
    return base + "/velin/registry.reg";
}

void Warn(const std::string& message) {
    std::fprintf(stderr, "velin: %s: %s\n", RegistryFilePath().c_str(), message.c_str());
}

void EnsureLoaded() {
    Store& store = TheStore();
    if (store.loaded) return;
    store.loaded = true;
    store.loadFailed = false;
    store.dirty = false;
    store.data = RegistryData{};
    const std::string& path = RegistryFilePath();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        // No file yet (or a folder of its path is missing): the defaults apply, and the first
        // write creates it.
        if (errno != ENOENT && errno != ENOTDIR) {
            store.loadFailed = true;
            Warn(std::string("cannot read the settings: ") + std::strerror(errno));
        }
        return;
    }
    std::string text;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        store.loadFailed = true;
        Warn("cannot read the settings");
        return;
    }
    std::vector<std::string> warnings;
    store.data = ParseRegistryText(text, &warnings);
    for (const std::string& w : warnings) Warn(w);
}

bool WriteAll(int fd, const char* p, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

bool MakeFolders(const std::string& dir) {
    if (dir.empty()) return true;
    struct stat st;
    if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    size_t slash = dir.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(dir.substr(0, slash))) return false;
    return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

// Temporary files are named after the file and the writing process; one left by a process that
// died is removed by the next successful write.
void RemoveStrayTemporaries(const std::string& dir, const std::string& base) {
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (d == nullptr) return;
    std::string prefix = base + ".tmp-";
    while (dirent* entry = readdir(d)) {
        std::string_view name = entry->d_name;
        if (name.substr(0, prefix.size()) != prefix) continue;
        std::string_view digits = name.substr(prefix.size());
        if (digits.empty() || digits.size() > 9 ||
            digits.find_first_not_of("0123456789") != std::string_view::npos) {
            continue;
        }
        pid_t pid = static_cast<pid_t>(std::strtol(std::string(digits).c_str(), nullptr, 10));
        if (pid == getpid() || kill(pid, 0) == 0 || errno != ESRCH) continue;
        unlinkat(dirfd(d), entry->d_name, 0);
    }
    closedir(d);
}

// Writes the whole file by way of a temporary file and a rename.
bool WriteFile() {
    Store& store = TheStore();
    RegistryWriteFault fault = store.fault;
    store.fault = RegistryWriteFault::kNone;
    std::string target = RegistryFilePath();
    // Writing through a link keeps the link.
    char resolved[PATH_MAX];
    struct stat st;
    if (lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
        realpath(target.c_str(), resolved) != nullptr) {
        target = resolved;
    }
    size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "" : target.substr(0, slash == 0 ? 1 : slash);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (!MakeFolders(dir)) return false;
    std::string temp = target + ".tmp-" + std::to_string(getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    if (stat(target.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);
    std::string text = WriteRegistryText(store.data);
    bool ok;
    if (fault == RegistryWriteFault::kDiskFullHalfway) {
        WriteAll(fd, text.data(), text.size() / 2);
        errno = ENOSPC;
        ok = false;
    } else {
        ok = WriteAll(fd, text.data(), text.size()) && fsync(fd) == 0;
    }
    ok = ::close(fd) == 0 && ok;
    if (ok && fault == RegistryWriteFault::kKillBeforeRename) return false;
    if (ok && fault == RegistryWriteFault::kFailRename) {
        errno = EXDEV;
        ok = false;
    }
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here leaves a complete file either way.
    int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        ::close(dirFd);
    }
    RemoveStrayTemporaries(dir, base);
    return true;
}

LONG Flush() {
    Store& store = TheStore();
    if (!store.dirty) return ERROR_SUCCESS;
    if (store.loadFailed || !WriteFile()) {
        Warn(std::string("cannot write the settings: ") + std::strerror(errno));
        return ERROR_REGISTRY_IO_FAILED;
    }
    store.dirty = false;
    return ERROR_SUCCESS;
}

// The path of `key` (the root or an open key), or nullopt for a handle that is neither.
std::optional<std::u16string> PathOf(HKEY key) {
    if (key == HKEY_CURRENT_USER) return std::u16string();
    auto* open = reinterpret_cast<OpenKey*>(key);
    if (TheStore().open.count(open) == 0) return std::nullopt;
    return open->path;
}

std::u16string Join(const std::u16string& base, const std::u16string& sub) {
    if (base.empty()) return sub;
    if (sub.empty()) return base;
    return base + u'\\' + sub;
}

// A key exists when it holds a section of its own or a key below it does.
bool KeyExists(std::u16string_view path) {
    if (path.empty()) return true;
    for (const RegKeyEntry& key : TheStore().data.keys) {
        if (key.path.size() < path.size()) continue;
        if (SameName(std::u16string_view(key.path).substr(0, path.size()), path) &&
            (key.path.size() == path.size() || key.path[path.size()] == u'\\')) {
            return true;
        }
    }
    return false;
}

HKEY NewHandle(std::u16string path, REGSAM access, bool changed) {
    auto* open = new OpenKey{std::move(path), access, changed};
    TheStore().open.insert(open);
    return reinterpret_cast<HKEY>(open);
}

std::u16string_view NameOf(LPCWSTR name) {
    return name == nullptr ? std::u16string_view() : std::u16string_view(name);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

RegistryData ParseRegistryText(std::string_view text, std::vector<std::string>* warnings) {
    RegistryData data;
    auto warn = [&](size_t line, const char* why) {
        if (warnings) {
            warnings->push_back("line " + std::to_string(line) + ": skipped a damaged line (" +
                                why + ")");
        }
    };
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<std::string_view> lines;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            if (start < text.size()) lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }

    bool headerSeen = false;
    int current = -1;     // the key whose section we are in; -1 before the first
    bool orphan = false;  // after a damaged key line: the values have no section to go to
    // Damaged lines stay with the section they were met in (-1: before the first key).
    auto keep = [&](std::string line) {
        (current < 0 ? data.keptLines : data.keys[current].keptLines).push_back(std::move(line));
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        size_t lineNo = i + 1;
        std::string_view line = Trim(lines[i]);
        if (line.empty()) continue;
        if (line[0] == ';') {
            keep(std::string(line));
            continue;
        }
        if (!headerSeen) {
            headerSeen = true;
            if (line == "REGEDIT4") continue;
            if (warnings) {
                warnings->push_back("line " + std::to_string(lineNo) + ": no REGEDIT4 line");
            }
        }
        if (line[0] == '[') {
            std::u16string path;
            if (const char* why = ParseKeyLine(line, &path)) {
                warn(lineNo, why);
                keep(std::string(line));
                orphan = true;
                continue;
            }
            orphan = false;
            current = -1;
            for (size_t k = 0; k < data.keys.size(); ++k) {
                if (SameName(data.keys[k].path, path)) current = static_cast<int>(k);
            }
            if (current < 0) {
                data.keys.push_back(RegKeyEntry{std::move(path), {}, {}});
                current = static_cast<int>(data.keys.size() - 1);
            }
            continue;
        }
        // Hex data continues over lines that end in a backslash; a continuation line starts
        // with a hex digit, so that it can never swallow a key or a value line.
        std::string raw(line);
        std::string joined(line);
        while (!joined.empty() && joined.back() == '\\' && i + 1 < lines.size()) {
            std::string_view next = Trim(lines[i + 1]);
            if (next.empty() || HexDigit(next[0]) < 0) break;
            joined.pop_back();
            joined += next;
            // Kept as trimmed lines, so that writing a kept line and reading it back gives the
            // same text whether or not it is joined again.
            raw += '\n';
            raw += next;
            ++i;
        }
        RegValueEntry value;
        const char* why = nullptr;
        if (orphan) {
            why = "a value under a damaged key line";
        } else if (current < 0) {
            why = "a value before the first key";
        } else {
            why = ParseValueLine(joined, &value);
        }
        if (why != nullptr) {
            warn(lineNo, why);
            keep(std::move(raw));
            continue;
        }
        PutValue(&data.keys[current], std::move(value));
    }
    return data;
}

namespace {

// Kept lines were not joined when read; a blank line keeps a kept line that ends in a
// backslash from taking the next one as its continuation.
void AppendKept(const std::vector<std::string>& lines, std::string* out) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0 && !lines[i - 1].empty() && lines[i - 1].back() == '\\' &&
            HexDigit(lines[i][0]) >= 0) {
            out->push_back('\n');
        }
        *out += lines[i];
        out->push_back('\n');
    }
}

}  // namespace

std::string WriteRegistryText(const RegistryData& data) {
    std::string out = "REGEDIT4\n";
    AppendKept(data.keptLines, &out);
    for (const RegKeyEntry& key : data.keys) {
        out += "\n[";
        // A key whose first part reads like the root gets the root written in front, since
        // reading drops one such part.
        std::u16string_view first = std::u16string_view(key.path).substr(0, key.path.find(u'\\'));
        if (key.path.empty() || SameName(first, kRootName)) {
            out += Utf16ToUtf8(kRootName);
            if (!key.path.empty()) out += '\\';
        }
        out += Utf16ToUtf8(key.path);
        out += "]\n";
        for (const RegValueEntry& value : key.values) AppendValue(value, &out);
        AppendKept(key.keptLines, &out);
    }
    return out;
}

void InjectRegistryWriteFault(RegistryWriteFault fault) { TheStore().fault = fault; }

void SetRegistryFilePath(const std::string& path) {
    Store& store = TheStore();
    store.path = path;
    store.pathSet = !path.empty();
    store.loaded = false;
    store.data = RegistryData{};
    store.dirty = false;
}

const std::string& RegistryFilePath() {
    Store& store = TheStore();
    if (!store.pathSet) {
        store.path = DefaultPath();
        store.pathSet = true;
    }
    return store.path;
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM access, PHKEY result) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    EnsureLoaded();
    std::optional<std::u16string> base = PathOf(key);
    if (!base) return ERROR_INVALID_HANDLE;
    std::optional<std::u16string> sub = NormalizePath(NameOf(subKey));
    if (!sub) return ERROR_FILE_NOT_FOUND;
    std::u16string path = Join(*base, *sub);
    if (TheStore().loadFailed || !KeyExists(path)) return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(std::move(path), access, false);
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM access, void*,
                     PHKEY result, LPDWORD disposition) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    EnsureLoaded();
    Store& store = TheStore();
    std::optional<std::u16string> base = PathOf(key);
    if (!base) return ERROR_INVALID_HANDLE;
    std::optional<std::u16string> sub = NormalizePath(NameOf(subKey));
    // A key named "-..." would read back as a deletion.
    if (!sub || !IsWritableName(*sub) || (base->empty() && !sub->empty() && sub->front() == u'-')) {
        return ERROR_INVALID_PARAMETER;
    }
    if (store.loadFailed) return ERROR_REGISTRY_IO_FAILED;
    std::u16string path = Join(*base, *sub);
    bool created = !KeyExists(path);
    if (created) {
        store.data.keys.push_back(RegKeyEntry{path, {}, {}});
        store.dirty = true;
    }
    if (disposition != nullptr) {
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    *result = NewHandle(std::move(path), access, created);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                      LPDWORD size) {
    if (data != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
    EnsureLoaded();
    std::optional<std::u16string> path = PathOf(key);
    if (!path) return ERROR_INVALID_HANDLE;
    if (key != HKEY_CURRENT_USER &&
        (reinterpret_cast<OpenKey*>(key)->access & KEY_QUERY_VALUE) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    RegKeyEntry* entry = FindKey(&TheStore().data, *path);
    RegValueEntry* value = entry == nullptr ? nullptr : FindValue(entry, NameOf(valueName));
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    if (type != nullptr) *type = value->type;
    auto needed = static_cast<DWORD>(value->data.size());
    if (data != nullptr) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        // An empty value has no bytes to copy (and its storage may be null).
        if (needed != 0) std::memcpy(data, value->data.data(), needed);
    }
    if (size != nullptr) *size = needed;
    return ERROR_SUCCESS;
}

LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size) {
    EnsureLoaded();
    Store& store = TheStore();
    std::optional<std::u16string> path = PathOf(key);
    if (!path) return ERROR_INVALID_HANDLE;
    auto* open = key == HKEY_CURRENT_USER ? nullptr : reinterpret_cast<OpenKey*>(key);
    if (open != nullptr && (open->access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
    std::u16string_view name = NameOf(valueName);
    if ((data == nullptr && size != 0) || !IsWritableName(name) ||
        (type == REG_DWORD && size != 4)) {
        return ERROR_INVALID_PARAMETER;
    }
    if (store.loadFailed) return ERROR_REGISTRY_IO_FAILED;
    RegKeyEntry* entry = FindKey(&store.data, *path);
    if (entry == nullptr) {
        store.data.keys.push_back(RegKeyEntry{*path, {}, {}});
        entry = &store.data.keys.back();
    }
    PutValue(entry,
             RegValueEntry{std::u16string(name), type, std::vector<uint8_t>(data, data + size)});
    store.dirty = true;
    if (open != nullptr) open->changed = true;
    // A value set on the root itself has no key to close; it is written at once.
    return open == nullptr ? Flush() : ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY key) {
    if (!PathOf(key)) return ERROR_INVALID_HANDLE;
    return Flush();
}

LONG RegCloseKey(HKEY key) {
    if (key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    auto* open = reinterpret_cast<OpenKey*>(key);
    Store& store = TheStore();
    if (store.open.erase(open) == 0) return ERROR_INVALID_HANDLE;
    std::unique_ptr<OpenKey> owned(open);
    return owned->changed ? Flush() : ERROR_SUCCESS;
}
