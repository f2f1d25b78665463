// The settings against the real settings-file code: every stored row read and written, the
// integer reader's two forms, values that a hand-edited file can hold, the bookmark list, and
// the way out when memory runs out.
#include <cstring>
#include <fstream>

#include "app_test_support.h"
#include "book/book.h"

namespace velin::app::testing {
namespace {

std::string FontName() {
    std::string s;
    for (const char16_t* p = g_app.fontSpec.faceName; *p; ++p) s.push_back(static_cast<char>(*p));
    return s;
}

TEST(SettingsTest, NoSettingsKeyGivesTheDefaults) {
    UseSettings(TempDir("defaults"), "");
    LoadSettings();
    EXPECT_EQ(g_app.Flags, 0xD1140040u);
    EXPECT_EQ(g_app.fontSpec.letterBase, 97);
    EXPECT_EQ(g_app.fontSpec.size, 0);
    EXPECT_EQ(FontName(), "");
    EXPECT_STREQ(g_app.SearchString, "");
    EXPECT_EQ(g_app.LastPosition, 0);
    EXPECT_EQ(g_app.Day, 0);
    EXPECT_EQ(g_app.Lesson, 0);
    EXPECT_EQ(g_app.bookmarks, nullptr);
    EXPECT_EQ(g_app.bookmarkCount, 0);
    SaveAndQuit();
}

TEST(SettingsTest, EveryStoredRowIsRead) {
    UseSettings(TempDir("rows"),
                "\"FontName\"=\"Velin Test\"\n"
                "\"SearchString\"=hex:61,62,63,00\n"
                "\"FontSize\"=dword:0000000c\n"
                "\"FontAsciiBase\"=dword:000005d0\n"
                "\"LastPosition\"=dword:00012345\n"  // only the low 16 bits are a row
                "\"Flags\"=dword:80000004\n"
                "\"Day\"=dword:000b2f51\n"  // 733009: 19 Kislev 5768 (29 November 2007)
                "\"Lesson\"=dword:00011913\n"
                "\"Bookmarks\"=hex:13,19,01,10,00,00\n");
    LoadSettings();
    EXPECT_EQ(FontName(), "Velin Test");
    EXPECT_STREQ(g_app.SearchString, "abc");
    EXPECT_EQ(g_app.fontSpec.size, 12);
    EXPECT_EQ(g_app.fontSpec.letterBase, 1488);
    EXPECT_EQ(g_app.LastPosition, 0x2345);
    EXPECT_EQ(g_app.Flags, 0x80000004u);
    EXPECT_EQ(g_app.Day, 733009);
    EXPECT_STREQ(g_app.caption, "19 Kislev, 5768");
    EXPECT_EQ(g_app.captionLength, 15);
    EXPECT_EQ(g_app.date, (CalendarDate{9, 19, 5768}));
    EXPECT_EQ(g_app.Lesson, 0x1913);
    ASSERT_EQ(g_app.bookmarkCount, 2);
    EXPECT_EQ(g_app.bookmarks[0], 0x1913);
    EXPECT_EQ(g_app.bookmarks[1], 0x1001);
    EXPECT_EQ(g_app.bookmarks[2], 0);
    SaveAndQuit();
}

// The integer reader: a stored number as stored, anything else as decimal digits.
TEST(SettingsTest, IntegersAreNumbersOrStringsOfDigits) {
    const struct {
        const char* stored;
        int32_t expected;
        const char* why;
    } kCases[] = {
        {"dword:00000078", 120, "a stored number"},
        {"\"120\"", 120, "the digits 1, 2, 0 as a string"},
        {"dword:ffffffff", -1, "a stored number is signed"},
        {"\"\"", 0, "an empty string"},
        {"\"12x\"", 192, "characters are not checked: 'x' counts as 72"},
        // 99999999999 mod 2^32: the digits wrap as an unsigned number, never overflow.
        {"\"99999999999\"", static_cast<int32_t>(99999999999ull % 0x100000000ull),
         "more digits than 32 bits hold"},
        {"\"4294967295\"", -1, "the largest unsigned value"},
        {"hex:31,00,32,00", 12, "binary data read as UTF-16 without its terminator"},
        {"hex:31,00,32", 1, "an odd byte at the end is no unit"},
    };
    const std::string dir = TempDir("integers");
    for (const auto& c : kCases) {
        UseSettings(dir, std::string("\"FontSize\"=") + c.stored);
        EXPECT_EQ(ReadRegistryInteger(kSettingsKey, u"FontSize", 7), c.expected) << c.why;
    }
    UseSettings(dir, "\"Other\"=dword:1");
    EXPECT_EQ(ReadRegistryInteger(kSettingsKey, u"FontSize", 7), 7) << "a missing value";
    EXPECT_EQ(ReadRegistryInteger(u"no\\such\\key", u"FontSize", -3), -3) << "a missing key";
}

TEST(SettingsTest, TextsAreCutToTheirFields) {
    const struct {
        const char* stored;
        const char* fontName;
        const char* searchString;
        const char* why;
    } kCases[] = {
        {"\"FontName\"=\"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn\"",
         "ABCDEFGHIJKLMNOPQRSTUVWXYZabcde", "", "a 40-character face name keeps 31"},
        {"\"FontName\"=hex(1):41,00,42,00", "AB", "", "a string stored without its terminator"},
        {"\"FontName\"=hex(1):41,00,42", "A", "", "a string of an odd number of bytes"},
        {"\"FontName\"=\"\"", "", "", "an empty face name"},
        {"\"SearchString\"=hex:61,62,63,64,65", "", "abcde",
         "a search text without its zero byte ends with the stored bytes"},
        {"\"SearchString\"=hex:"
         "61,62,63,64,65,66,67,68,69,6a,61,62,63,64,65,66,67,68,69,6a,"
         "61,62,63,64,65,66,67,68,69,6a,61,62,63,64,65,66,67,68,69,6a",
         "", "abcdefghijabcdefghijabcdefghijabc", "40 bytes without a zero keep 33"},
        {"\"SearchString\"=hex:00,61,62", "", "", "a first zero byte means no search text"},
        {"\"SearchString\"=hex:", "", "", "an empty value"},
        {"\"SearchString\"=hex:e9,74,e9,00", "", "\xe9t\xe9", "8-bit text as stored"},
    };
    const std::string dir = TempDir("texts");
    for (const auto& c : kCases) {
        UseSettings(dir, c.stored);
        LoadSettings();
        EXPECT_EQ(FontName(), c.fontName) << c.why;
        EXPECT_STREQ(g_app.SearchString, c.searchString) << c.why;
        SaveAndQuit();
    }
}

TEST(SettingsTest, ADamagedFileStillLoadsItsGoodLines) {
    UseSettings(TempDir("damaged"),
                "\"FontSize\"=dword:zz\n"
                "this line is not a value\n"
                "\"Flags\"=dword:00000044\n"
                "\"Day\"=\"12\n");
    LoadSettings();
    EXPECT_EQ(g_app.fontSpec.size, 0);
    EXPECT_EQ(g_app.Flags, 0x44u);
    EXPECT_EQ(g_app.Day, 0);
    SaveAndQuit();
}

TEST(SettingsTest, SavingWritesEveryRowAndSkipsTheZeroes) {
    const std::string dir = TempDir("save");
    UseSettings(dir,
                "\"FontSize\"=dword:00000009\n"
                "\"FontAsciiBase\"=dword:000000e0\n"
                "\"Lesson\"=dword:00001105\n"
                "\"Flags\"=dword:d1140044\n"
                "\"Day\"=dword:00000005\n"
                "\"LastPosition\"=dword:00000007\n");
    LoadSettings();
    // Values of 0 are not written (the stored ones stay); Flags and Day are written even at 0.
    g_app.fontSpec.size = 0;
    g_app.fontSpec.letterBase = 0;
    g_app.Lesson = 0;
    g_app.Flags = 0;
    g_app.Day = 0;
    SaveAndQuit();
    EXPECT_EQ(StoredDword(u"FontSize"), 9u);
    EXPECT_EQ(StoredDword(u"FontAsciiBase"), 0xE0u);
    EXPECT_EQ(StoredDword(u"Lesson"), 0x1105u);
    EXPECT_EQ(StoredDword(u"Flags"), 0u);
    EXPECT_EQ(StoredDword(u"Day"), 0u);
    EXPECT_EQ(StoredDword(u"LastPosition"), 7u) << "no text view: no position to save";
    EXPECT_FALSE(Stored(u"FontName")) << "an empty face name is not written";
    EXPECT_FALSE(Stored(u"SearchString")) << "an empty search text is not written";
    auto bookmarks = Stored(u"Bookmarks");
    ASSERT_TRUE(bookmarks);
    EXPECT_EQ(bookmarks->data, (std::vector<uint8_t>{0, 0})) << "no list: one 0 entry";

    UseSettings(dir, "");
    LoadSettings();
    const char16_t face[] = u"Velin Test";
    std::memcpy(g_app.fontSpec.faceName, face, sizeof face);
    std::strcpy(g_app.SearchString, "ab\xe9");
    g_app.fontSpec.size = -12;
    g_app.fontSpec.letterBase = 1488;
    g_app.Lesson = 0x1913;
    g_app.Day = -2;
    g_app.Flags = 0x80000000;
    SaveAndQuit();
    auto name = Stored(u"FontName");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->type, REG_SZ);
    EXPECT_EQ(name->data.size(), sizeof face) << "the string with its terminator";
    auto search = Stored(u"SearchString");
    ASSERT_TRUE(search);
    EXPECT_EQ(search->type, REG_BINARY);
    EXPECT_EQ(search->data, (std::vector<uint8_t>{'a', 'b', 0xE9, 0})) << "with its zero byte";
    EXPECT_EQ(StoredDword(u"FontSize"), 0xFFFFFFF4u);
    EXPECT_EQ(StoredDword(u"FontAsciiBase"), 1488u);
    EXPECT_EQ(StoredDword(u"Lesson"), 0x1913u);
    EXPECT_EQ(StoredDword(u"Day"), 0xFFFFFFFEu);
    EXPECT_EQ(StoredDword(u"Flags"), 0x80000000u);

    // And what was written reads back the same.
    ClearAppState();
    LoadSettings();
    EXPECT_EQ(FontName(), "Velin Test");
    EXPECT_STREQ(g_app.SearchString, "ab\xe9");
    EXPECT_EQ(g_app.fontSpec.size, -12);
    EXPECT_EQ(g_app.Day, -2);
    SaveAndQuit();
}

TEST(SettingsTest, ProgramPathIsWrittenAtEveryStart) {
    UseSettings(TempDir("path"), "");
    LoadSettings();
    auto path = Stored(u"Program Path");
    ASSERT_TRUE(path);
    EXPECT_EQ(path->type, REG_SZ);
    EXPECT_GT(path->data.size(), 2u);
    SaveAndQuit();
}

// A hand-edited value may be of odd size, lack its closing 0 or hold more after it; the list
// is always the whole entries before the first 0, closed by a 0 entry.
TEST(SettingsTest, BookmarksLoadAsTheWholeEntriesBeforeTheFirstZero) {
    const struct {
        const char* stored;  // null: no value
        bool list;
        std::vector<uint16_t> entries;
    } kCases[] = {
        {nullptr, false, {}},
        {"hex:", true, {}},
        {"hex:00,00", true, {}},
        {"hex:13,19,00,00", true, {0x1913}},
        {"hex:13,19", true, {0x1913}},                    // no closing 0
        {"hex:13,19,05", true, {0x1913}},                 // odd size
        {"hex:13,19,07", true, {0x1913}},                 // odd size, no closing 0
        {"hex:13,19,00,00,07,09,00,00", true, {0x1913}},  // entries after the 0 are dropped
        {"hex:13,19,07,09,00", true, {0x1913, 0x0907}},   // half a closing 0
        {"hex:00", true, {}},
    };
    const std::string dir = TempDir("bookmarks");
    for (const auto& c : kCases) {
        UseSettings(dir, c.stored ? std::string("\"Bookmarks\"=") + c.stored : "\"Other\"=dword:1");
        LoadBookmarks();
        const std::string where = c.stored ? c.stored : "(none)";
        ASSERT_EQ(g_app.bookmarks != nullptr, c.list) << where;
        ASSERT_EQ(g_app.bookmarkCount, c.entries.size()) << where;
        for (size_t i = 0; i < c.entries.size(); ++i) {
            EXPECT_EQ(g_app.bookmarks[i], c.entries[i]) << where;
        }
        if (c.list) {
            EXPECT_EQ(g_app.bookmarks[c.entries.size()], 0) << where;
        }
        // Saved back, the list has its closing 0 and a matching size.
        SaveBookmarks();
        auto stored = Stored(u"Bookmarks");
        ASSERT_TRUE(stored) << where;
        EXPECT_EQ(stored->data.size(), (c.entries.size() + 1) * 2) << where;
        EXPECT_EQ(stored->data[stored->data.size() - 2] | stored->data.back(), 0) << where;
        EXPECT_EQ(g_app.bookmarks, nullptr);
    }
}

// The window's destruction after AllocOrQuit saved would write the freed bookmark list as an
// empty one; saving before the settings were loaded would write Flags 0 over the stored ones.
TEST(SettingsTest, SettingsAreSavedOnceAndNeverBeforeTheyWereLoaded) {
    const std::string dir = TempDir("once");
    UseSettings(dir,
                "\"Flags\"=dword:d1140044\n\"Day\"=dword:00000009\n\"Bookmarks\"=hex:13,19,00,00");
    SaveAndQuit();
    EXPECT_EQ(StoredDword(u"Flags"), 0xD1140044u) << "nothing written before loading";
    auto before = Stored(u"Bookmarks");
    ASSERT_TRUE(before);
    EXPECT_EQ(before->data.size(), 4u);

    ClearAppState();
    LoadSettings();
    g_app.Flags |= 0x20;
    SaveAndQuit();
    SaveAndQuit();
    EXPECT_EQ(StoredDword(u"Flags"), 0xD1140064u);
    auto after = Stored(u"Bookmarks");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->data, (std::vector<uint8_t>{0x13, 0x19, 0, 0}));
}

}  // namespace
}  // namespace velin::app::testing

namespace velin::app::testing {
namespace {

// Out of memory: the message box (answered by a script), then SaveAndQuit and the quit
// request; the operation that asked gets nothing.
class OutOfMemoryTest : public ::testing::Test {
  protected:
    void StartWithScript(const std::string& dir) {
        const std::string script = dir + "/answer.txt";
        std::ofstream(script) << "print messagebox\nkey Enter\n";
        // A quit request left by the tests that saved without a screen would end the box.
        velin::platform::StopPlatform();
        velin::platform::PlatformOptions options;
        options.headless = true;
        options.scriptPath = script;
        ASSERT_EQ(velin::platform::StartPlatform(options), velin::platform::StartStatus::kOk);
    }
    void TearDown() override {
        FailNextAllocations(0, 0);
        velin::platform::StopPlatform();
    }
    static bool QuitPosted() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return true;
        }
        return false;
    }
};

TEST_F(OutOfMemoryTest, AReaderThatCannotAllocateEndsTheProgramAndKeepsTheStoredSettings) {
    const std::string dir = TempDir("oom-load");
    UseSettings(dir,
                "\"FontName\"=\"Velin Test\"\n\"Flags\"=dword:d1140044\n\"Day\"=dword:00000009\n"
                "\"Bookmarks\"=hex:13,19,00,00");
    StartWithScript(dir);
    ::testing::internal::CaptureStdout();
    FailNextAllocations(0, 1);  // the face name's buffer
    LoadSettings();
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "messagebox caption=Error text=\"There is not enough memory, aborting\"\n");
    EXPECT_TRUE(QuitPosted());
    EXPECT_EQ(g_app.fontSpec.faceName[0], 0) << "the read was abandoned";
    // The window's destruction runs SaveAndQuit once more on the way out.
    g_app.Flags = 0;
    SaveAndQuit();
    // The half-read record was not written over the stored one, then or later.
    EXPECT_EQ(StoredDword(u"Flags"), 0xD1140044u);
    EXPECT_EQ(StoredDword(u"Day"), 9u);
    auto bookmarks = Stored(u"Bookmarks");
    ASSERT_TRUE(bookmarks);
    EXPECT_EQ(bookmarks->data.size(), 4u);
}

TEST_F(OutOfMemoryTest, AFailureWhileRunningSavesTheSettings) {
    const std::string dir = TempDir("oom-run");
    UseSettings(dir, "\"Flags\"=dword:d1140040\n\"Bookmarks\"=hex:13,19,00,00");
    StartWithScript(dir);
    LoadSettings();
    g_app.Flags |= kFlagMatchCase;
    g_app.Day = 12;
    ::testing::internal::CaptureStdout();
    FailNextAllocations(0, 1);
    EXPECT_EQ(AllocOrQuit(64), nullptr);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "messagebox caption=Error text=\"There is not enough memory, aborting\"\n");
    EXPECT_TRUE(QuitPosted());
    EXPECT_EQ(StoredDword(u"Flags"), 0xD1140060u);
    EXPECT_EQ(StoredDword(u"Day"), 12u);
    auto bookmarks = Stored(u"Bookmarks");
    ASSERT_TRUE(bookmarks);
    EXPECT_EQ(bookmarks->data, (std::vector<uint8_t>{0x13, 0x19, 0, 0}));
}

}  // namespace
}  // namespace velin::app::testing
