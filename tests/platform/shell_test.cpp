#include "platform/shell.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> gOpened;
bool RecordUrl(const std::string& url) {
    gOpened.push_back(url);
    return true;
}

TEST(ShellTest, OpenHandsWebAddressesToTheBrowserAndRecordsEveryOne) {
    const struct {
        const char16_t* verb;
        const char16_t* file;
        bool opened;
    } kCases[] = {
        {u"Open", u"http://example.org/cgi-bin/upgrade?p=arm/Ostrelle/Velin%2DEnglish&v=1.84a",
         true},
        {u"open", u"HTTPS://example.org/", true},
        {nullptr, u"mailto:someone@example.org", true},
        {u"Edit", u"http://example.org/", false},  // only Open
        {u"Open", u"/bin/sh", false},              // never a program or a local file
        {u"Open", u"file:///etc/passwd", false},
        {u"Open", u"-help", false},
    };
    SetOpenUrlHook(RecordUrl);
    for (const auto& c : kCases) {
        gOpened.clear();
        SHELLEXECUTEINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_FLAG_NO_UI;
        info.lpVerb = c.verb;
        info.lpFile = c.file;
        std::string url = Utf16ToUtf8(c.file);
        SCOPED_TRACE(url);
        EXPECT_EQ(ShellExecuteEx(&info), c.opened ? TRUE : FALSE);
        EXPECT_EQ(gOpened, c.opened ? std::vector<std::string>{url} : std::vector<std::string>{});
        if (c.verb == nullptr || Utf16ToUtf8(c.verb) != "Edit") {
            EXPECT_EQ(LastOpenedAddress(), url);
        }
    }
    SetOpenUrlHook(nullptr);

    // Headless: recorded, reported as opened.
    SHELLEXECUTEINFO info{};
    info.cbSize = sizeof info;
    info.lpVerb = u"Open";
    info.lpFile = u"http://example.org/headless";
    EXPECT_EQ(ShellExecuteEx(&info), TRUE);
    EXPECT_EQ(LastOpenedAddress(), "http://example.org/headless");
    info.cbSize = 4;
    EXPECT_EQ(ShellExecuteEx(&info), FALSE);
    EXPECT_EQ(ShellExecuteEx(nullptr), FALSE);
}

TEST(ShellTest, InputPanelCallsAreRecorded) {
    ResetSipCalls();
    HWND window = reinterpret_cast<HWND>(0x1234);
    EXPECT_TRUE(SHSipPreference(window, SIP_FORCEDOWN));
    EXPECT_TRUE(SipShowIM(SIPF_OFF));
    EXPECT_FALSE(SHSipPreference(window, 9));
    const SipRecord& calls = SipCalls();
    EXPECT_EQ(calls.preferenceCalls, 1);
    EXPECT_EQ(calls.preferenceWindow, window);
    EXPECT_EQ(calls.preference, SIP_FORCEDOWN);
    EXPECT_EQ(calls.showCalls, 1);
    EXPECT_EQ(calls.showFlags, SIPF_OFF);

    SHACTIVATEINFO activate{};
    activate.cbSize = sizeof activate;
    EXPECT_TRUE(SHHandleWMSettingChange(window, 0, 0, &activate));
    EXPECT_FALSE(SHHandleWMSettingChange(window, 0, 0, nullptr));
}

TEST(ShellTest, VersionIsFiveOneUnlessSet) {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExW(&info));
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwMinorVersion, 1u);
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_CE);

    const struct {
        const char* text;
        bool ok;
        DWORD major, minor;
    } kCases[] = {
        {"4.20", true, 4, 20}, {"4.21", true, 4, 21},  {"4.2", true, 4, 2},
        {"4", false, 0, 0},    {"4.", false, 0, 0},    {"a.b", false, 0, 0},
        {"-4.2", false, 0, 0}, {"4.2.1", false, 0, 0}, {"70000.1", false, 0, 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(SetOsVersion("5.1"));
        EXPECT_EQ(SetOsVersion(c.text), c.ok);
        ASSERT_TRUE(GetVersionExW(&info));
        EXPECT_EQ(info.dwMajorVersion, c.ok ? c.major : 5u);
        EXPECT_EQ(info.dwMinorVersion, c.ok ? c.minor : 1u);
    }
    SetOsVersion("5.1");
    info.dwOSVersionInfoSize = 4;
    EXPECT_FALSE(GetVersionExW(&info));
}

TEST(ShellTest, ModuleFileNameIsTheProgramsPath) {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    ASSERT_GT(n, 0);
    std::u16string expected = Utf8ToUtf16(std::string(path, static_cast<size_t>(n)));

    WCHAR buffer[260];
    DWORD length = GetModuleFileNameW(nullptr, buffer, 260);
    ASSERT_EQ(length, expected.size());
    EXPECT_EQ(std::u16string(buffer), expected);
    EXPECT_EQ(GetModuleFileNameW(GetModuleHandleW(nullptr), buffer, 260), length);

    // Too small: cut, terminated, and the full size says so.
    WCHAR small[5];
    EXPECT_EQ(GetModuleFileNameW(nullptr, small, 5), 5u);
    EXPECT_EQ(std::u16string(small), expected.substr(0, 4));
    EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(8), buffer, 260), 0u);
}

TEST(ShellTest, FixedDatesAndTheirWeekdays) {
    const struct {
        const char* text;
        bool ok;
        WORD year, month, day, weekday;
    } kCases[] = {
        {"2024-02-29", true, 2024, 2, 29, 4},  // leap day, a Thursday
        {"2000-01-01", true, 2000, 1, 1, 6},  {"0001-01-01", true, 1, 1, 1, 1},  // a Monday
        {"2023-02-29", false, 0, 0, 0, 0},                                       // not a leap year
        {"1900-02-29", false, 0, 0, 0, 0},    {"2024-13-01", false, 0, 0, 0, 0},
        {"2024-00-10", false, 0, 0, 0, 0},    {"2024-1-01", false, 0, 0, 0, 0},
        {"0000-01-01", false, 0, 0, 0, 0},    {"2024-01-01x", false, 0, 0, 0, 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.text);
        ClearFixedDate();
        EXPECT_EQ(SetFixedDate(c.text), c.ok);
        if (!c.ok) continue;
        SYSTEMTIME t{};
        GetLocalTime(&t);
        EXPECT_EQ(t.wYear, c.year);
        EXPECT_EQ(t.wMonth, c.month);
        EXPECT_EQ(t.wDay, c.day);
        EXPECT_EQ(t.wDayOfWeek, c.weekday);
        EXPECT_EQ(t.wHour, 12);
        EXPECT_EQ(t.wMinute, 0);
    }
    ClearFixedDate();
    SYSTEMTIME now{};
    GetLocalTime(&now);
    EXPECT_GE(now.wYear, 2024);
    EXPECT_LE(now.wDayOfWeek, 6);
}

TEST(ShellTest, ConversionsReplaceWhatCannotBeConverted) {
    const struct {
        std::u16string wide;
        std::string utf8;
    } kCases[] = {
        {u"\u00D5", "\xC3\x95"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {std::u16string(1, char16_t(0xD800)), "\xEF\xBF\xBD"},  // unpaired surrogate
    };
    for (const auto& c : kCases) EXPECT_EQ(Utf16ToUtf8(c.wide), c.utf8);
    EXPECT_EQ(Utf8ToUtf16("a\xC0\x80z"), u"a\uFFFD\uFFFDz");        // an overlong zero
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // an encoded surrogate
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), u"\uFFFD\uFFFD");            // cut short
    std::u16string out = u"kept";
    EXPECT_FALSE(DecodeUtf8("\xFF", &out));
    EXPECT_EQ(out, u"kept");
}

int gBeeps = 0;
TEST(ShellTest, MessageBeepRingsTheBellWhenThereIsOne) {
    EXPECT_TRUE(MessageBeep(0));
    SetBellHook([](UINT) { ++gBeeps; });
    EXPECT_TRUE(MessageBeep(0x10));
    SetBellHook(nullptr);
    EXPECT_EQ(gBeeps, 1);
}

}  // namespace
