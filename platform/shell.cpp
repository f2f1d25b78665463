#include "platform/shell.h"

#include <unistd.h>

#include <charconv>
#include <ctime>
#include <optional>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(char32_t c, std::string* out) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendUtf16(char32_t c, std::u16string* out) {
    if (c < 0x10000) {
        out->push_back(static_cast<char16_t>(c));
    } else {
        c -= 0x10000;
        out->push_back(static_cast<char16_t>(0xD800 | (c >> 10)));
        out->push_back(static_cast<char16_t>(0xDC00 | (c & 0x3FF)));
    }
}

// Decodes one UTF-8 sequence at text[*pos]; nullopt for a malformed one (overlong forms,
// surrogates and values above U+10FFFF included), after which *pos has moved past one byte.
std::optional<char32_t> NextUtf8(std::string_view text, size_t* pos) {
    const auto lead = static_cast<unsigned char>(text[*pos]);
    ++*pos;
    if (lead < 0x80) return lead;
    int extra;
    char32_t c;
    char32_t min;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, c = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, c = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, c = lead & 0x07, min = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() - *pos < static_cast<size_t>(extra)) return std::nullopt;
    for (int i = 0; i < extra; ++i) {
        const auto b = static_cast<unsigned char>(text[*pos + i]);
        if ((b & 0xC0) != 0x80) return std::nullopt;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return std::nullopt;
    *pos += extra;
    return c;
}

OpenUrlHook gOpenUrl = nullptr;
std::string gLastAddress;
SipRecord gSip{};
DWORD gMajor = 5;
DWORD gMinor = 1;
struct FixedDate {
    int year, month, day;
};
std::optional<FixedDate> gFixedDate;
BellHook gBell = nullptr;
// The instance handle only has to be unique and not null.
char gInstanceTag;

bool EqualsIgnoreAsciiCase(LPCWSTR a, std::u16string_view b) {
    size_t i = 0;
    for (; a[i] != 0; ++i) {
        if (i >= b.size()) return false;
        char16_t x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char16_t>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char16_t>(y + 32);
        if (x != y) return false;
    }
    return i == b.size();
}

bool IsWebAddress(std::string_view url) {
    size_t colon = url.find(':');
    if (colon == std::string_view::npos) return false;
    std::string scheme;
    for (char c : url.substr(0, colon)) {
        scheme.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
    }
    return scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "mailto";
}

bool ParseNumber(std::string_view text, int* out) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *out);
    return ec == std::errc() && end == text.data() + text.size();
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// 0 = Sunday, proleptic Gregorian (Sakamoto's method).
int DayOfWeek(int y, int m, int d) {
    static constexpr int kOffset[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 3) y -= 1;
    return (y + y / 4 - y / 100 + y / 400 + kOffset[m - 1] + d) % 7;
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = kReplacement;
        }
        AppendUtf8(c, &out);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        AppendUtf16(NextUtf8(text, &pos).value_or(kReplacement), &out);
    }
    return out;
}

bool DecodeUtf8(std::string_view text, std::u16string* out) {
    std::u16string result;
    result.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        std::optional<char32_t> c = NextUtf8(text, &pos);
        if (!c) return false;
        AppendUtf16(*c, &result);
    }
    *out = std::move(result);
    return true;
}

BOOL ShellExecuteEx(SHELLEXECUTEINFO* info) {
    if (info == nullptr || info->cbSize != sizeof(SHELLEXECUTEINFO) || info->lpFile == nullptr ||
        info->lpFile[0] == 0) {
        return FALSE;
    }
    if (info->lpVerb != nullptr && !EqualsIgnoreAsciiCase(info->lpVerb, u"open")) return FALSE;
    gLastAddress = Utf16ToUtf8(info->lpFile);
    bool opened = IsWebAddress(gLastAddress) && (gOpenUrl == nullptr || gOpenUrl(gLastAddress));
    info->hInstApp = reinterpret_cast<HINSTANCE>(opened ? 33 : SE_ERR_NOASSOC);
    return opened ? TRUE : FALSE;
}

void SetOpenUrlHook(OpenUrlHook hook) { gOpenUrl = hook; }
const std::string& LastOpenedAddress() { return gLastAddress; }

BOOL SHSipPreference(HWND hwnd, SIPSTATE state) {
    if (state < SIP_UP || state > SIP_INPUTDIALOG) return FALSE;
    ++gSip.preferenceCalls;
    gSip.preferenceWindow = hwnd;
    gSip.preference = state;
    return TRUE;
}

BOOL SipShowIM(DWORD flags) {
    ++gSip.showCalls;
    gSip.showFlags = flags;
    return TRUE;
}

const SipRecord& SipCalls() { return gSip; }
void ResetSipCalls() { gSip = SipRecord{}; }

BOOL SHHandleWMSettingChange(HWND, WPARAM, LPARAM, SHACTIVATEINFO* info) {
    return info != nullptr && info->cbSize == sizeof(SHACTIVATEINFO) ? TRUE : FALSE;
}

BOOL GetVersionExW(OSVERSIONINFOW* info) {
    if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW)) return FALSE;
    info->dwMajorVersion = gMajor;
    info->dwMinorVersion = gMinor;
    info->dwBuildNumber = 0;
    info->dwPlatformId = VER_PLATFORM_WIN32_CE;
    info->szCSDVersion[0] = 0;
    return TRUE;
}

bool SetOsVersion(std::string_view text) {
    size_t dot = text.find('.');
    int major, minor;
    if (dot == std::string_view::npos || !ParseNumber(text.substr(0, dot), &major) ||
        !ParseNumber(text.substr(dot + 1), &minor) || major > 0xFFFF || minor > 0xFFFF) {
        return false;
    }
    gMajor = static_cast<DWORD>(major);
    gMinor = static_cast<DWORD>(minor);
    return true;
}

HINSTANCE GetModuleHandleW(LPCWSTR moduleName) {
    if (moduleName != nullptr) return nullptr;
    return reinterpret_cast<HINSTANCE>(&gInstanceTag);
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
    if ((module != nullptr && module != GetModuleHandleW(nullptr)) || buffer == nullptr ||
        size == 0) {
        return 0;
    }
    std::string path(4096, '\0');
    ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<size_t>(n) >= path.size()) {
        buffer[0] = 0;
        return 0;
    }
    path.resize(static_cast<size_t>(n));
    std::u16string wide = Utf8ToUtf16(path);
    if (wide.size() >= size) {
        // Cut to fit and still terminated; the full size tells the caller it was cut.
        wide.copy(buffer, size - 1);
        buffer[size - 1] = 0;
        return size;
    }
    wide.copy(buffer, wide.size());
    buffer[wide.size()] = 0;
    return static_cast<DWORD>(wide.size());
}

void GetLocalTime(SYSTEMTIME* time) {
    if (time == nullptr) return;
    if (gFixedDate) {
        const FixedDate& d = *gFixedDate;
        *time = SYSTEMTIME{static_cast<WORD>(d.year),
                           static_cast<WORD>(d.month),
                           static_cast<WORD>(DayOfWeek(d.year, d.month, d.day)),
                           static_cast<WORD>(d.day),
                           12,
                           0,
                           0,
                           0};
        return;
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    *time = SYSTEMTIME{static_cast<WORD>(local.tm_year + 1900), static_cast<WORD>(local.tm_mon + 1),
                       static_cast<WORD>(local.tm_wday), static_cast<WORD>(local.tm_mday),
                       static_cast<WORD>(local.tm_hour), static_cast<WORD>(local.tm_min),
                       // a leap second reads as the 59th
                       static_cast<WORD>(local.tm_sec > 59 ? 59 : local.tm_sec),
                       static_cast<WORD>(now.tv_nsec / 1000000)};
}

bool SetFixedDate(std::string_view text) {
    int year, month, day;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' ||
        !ParseNumber(text.substr(0, 4), &year) || !ParseNumber(text.substr(5, 2), &month) ||
        !ParseNumber(text.substr(8, 2), &day) || year < 1 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month)) {
        return false;
    }
    gFixedDate = FixedDate{year, month, day};
    return true;
}

void ClearFixedDate() { gFixedDate.reset(); }

void SetBellHook(BellHook hook) { gBell = hook; }

BOOL MessageBeep(UINT type) {
    if (gBell != nullptr) gBell(type);
    return TRUE;
}
