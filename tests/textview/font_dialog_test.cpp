// The "Choose Font" dialog run modally on the headless screen, answered by a script: what its
// lists hold and select for a given FontSpec, and what OK and Cancel leave in it.
#include "textview/font_dialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace velin::textview::testing {
namespace {

std::string Narrow(const char16_t* text) {
    std::string out;
    for (; *text; ++text) out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
    return out;
}

// What the dialog shows once it has initialised.
struct Seen {
    std::vector<std::string> sizes;
    std::string selectedSize;  // "" when none
    std::string selectedFace;
    std::string preview;
};
Seen g_seen;
int g_pickSize = -1;  // a size list entry to pick, as a tap on it would, once initialised
std::string g_faceAtOk;

std::string ListText(HWND list, LRESULT index) {
    if (index < 0) return "";
    char16_t text[64] = {};
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
    return Narrow(text);
}

INT_PTR WatchingProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
        HWND faces = GetDlgItem(dialog, kFontFamilyList);
        g_faceAtOk = ListText(faces, SendMessageW(faces, LB_GETCURSEL, 0, 0));
    }
    const INT_PTR result = FontDialogProc(dialog, msg, wParam, lParam);
    if (msg == WM_INITDIALOG) {
        HWND sizes = GetDlgItem(dialog, kFontSizeList);
        g_seen = Seen{};
        for (LRESULT i = 0, n = SendMessageW(sizes, LB_GETCOUNT, 0, 0); i < n; ++i) {
            g_seen.sizes.push_back(ListText(sizes, i));
        }
        g_seen.selectedSize = ListText(sizes, SendMessageW(sizes, LB_GETCURSEL, 0, 0));
        HWND faces = GetDlgItem(dialog, kFontFamilyList);
        g_seen.selectedFace = ListText(faces, SendMessageW(faces, LB_GETCURSEL, 0, 0));
        char16_t text[64] = {};
        GetDlgItemTextW(dialog, kFontPreview, text, 64);
        g_seen.preview = Narrow(text);
        if (g_pickSize >= 0) {
            SendMessageW(sizes, LB_SETCURSEL, g_pickSize, 0);
            SendMessageW(dialog, WM_COMMAND, MAKELONG(kFontSizeList, LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(sizes));
        }
    }
    return result;
}

class FontDialogTest : public ::testing::Test {
  protected:
    void TearDown() override {
        g_pickSize = -1;
        FailNextAllocations(0, 0);
        velin::platform::StopPlatform();
    }
    // Runs the dialog on `spec` with the script's answers; its result.
    INT_PTR Run(FontSpec* spec, const std::string& script) {
        const std::string path =
            ::testing::TempDir() + "velin-font-" + std::to_string(getpid()) + ".txt";
        std::ofstream(path, std::ios::trunc) << script;
        velin::platform::SetDefaultFaceName(u"Velin Test");
        velin::platform::PlatformOptions options;
        options.headless = true;
        options.scriptPath = path;
        if (velin::platform::StartPlatform(options) != velin::platform::StartStatus::kOk) return -9;
        HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(kFontDialogId), RT_DIALOG);
        const auto* tmpl = static_cast<const DLGTEMPLATE*>(LoadResource(nullptr, found));
        const INT_PTR result = DialogBoxIndirectParamW(nullptr, tmpl, nullptr, WatchingProc,
                                                       reinterpret_cast<LPARAM>(spec));
        FreeFontNames();
        std::remove(path.c_str());
        return result;
    }
    static FontSpec Spec(const char16_t* face, int size, int base = 97) {
        FontSpec spec;
        std::u16string_view f(face);
        std::copy(f.begin(), f.end(), spec.faceName);
        spec.size = size;
        spec.letterBase = base;
        return spec;
    }
};

const std::vector<std::string> kStandard = {"10", "11", "12", "14", "16", "18", "20",
                                            "22", "24", "26", "28", "32", "52", "72"};

TEST_F(FontDialogTest, TheSizeListFollowsTheSpec) {
    const struct {
        const char* name;
        int size;
        std::string first;  // the list's first entry
        size_t count;
        std::string selected;
    } kCases[] = {
        {"size 0: the standard sizes, none selected", 0, "10", 14, ""},
        {"a size below 10 comes first, selected", 8, "8", 15, "8"},
        {"a negative size counts as below 10", -5, "-5", 15, "-5"},
        {"a standard size is selected", 24, "10", 14, "24"},
        {"another size is neither added nor selected", 13, "10", 14, ""},
    };
    for (const auto& c : kCases) {
        FontSpec spec = Spec(u"Velin Test", c.size);
        EXPECT_EQ(Run(&spec, "key Enter\n"), 1) << c.name;
        ASSERT_FALSE(g_seen.sizes.empty()) << c.name;
        EXPECT_EQ(g_seen.sizes.front(), c.first) << c.name;
        EXPECT_EQ(g_seen.sizes.size(), c.count) << c.name;
        EXPECT_EQ(g_seen.selectedSize, c.selected) << c.name;
        EXPECT_EQ(g_seen.selectedFace, "Velin Test") << c.name;
        // OK without a pick keeps the size, a negative one included.
        EXPECT_EQ(spec.size, c.size) << c.name;
        velin::platform::StopPlatform();
    }
}

TEST_F(FontDialogTest, OkStoresThePickAndCancelKeepsTheSpec) {
    // A picked size (the fourth entry, 14) and the family under the cursor after Down.
    FontSpec picked = Spec(u"Velin Test", 12);
    g_pickSize = 3;
    EXPECT_EQ(Run(&picked, "key Down\nkey Enter\n"), 1);
    EXPECT_EQ(picked.size, 14);
    EXPECT_EQ(Narrow(picked.faceName), g_faceAtOk);
    velin::platform::StopPlatform();

    FontSpec cancelled = Spec(u"Velin Test", 12);
    EXPECT_EQ(Run(&cancelled, "key Down\nkey Escape\n"), 2);
    EXPECT_EQ(cancelled.size, 12);
    EXPECT_EQ(Narrow(cancelled.faceName), "Velin Test");
    g_pickSize = -1;
    velin::platform::StopPlatform();

    // An unknown face selects nothing; OK keeps it.
    FontSpec unknown = Spec(u"No Such Face", 0);
    EXPECT_EQ(Run(&unknown, "key Enter\n"), 1);
    EXPECT_EQ(g_seen.selectedFace, "");
    EXPECT_EQ(Narrow(unknown.faceName), "No Such Face");
    EXPECT_EQ(unknown.size, 0);
}

TEST_F(FontDialogTest, ThePreviewShowsTwentySixLettersFromTheBase) {
    FontSpec latin = Spec(u"Velin Test", 0, 0);
    Run(&latin, "key Escape\n");
    EXPECT_EQ(g_seen.preview, "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(latin.letterBase, 97) << "a base of 0 becomes 97";
    velin::platform::StopPlatform();
    FontSpec capitals = Spec(u"Velin Test", 0, 65);
    Run(&capitals, "key Escape\n");
    EXPECT_EQ(g_seen.preview, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
}

// The family list takes its entries from blocks of 25: 26 families need a second block, and
// freeing the list releases both (the sanitizer build sees a leak or a double free).
TEST_F(FontDialogTest, FamiliesFillBlocksOfTwentyFive) {
    ResetFontNames();
    LOGFONTW lf{};
    for (int i = 0; i < 26; ++i) {
        lf.lfFaceName[0] = static_cast<char16_t>(u'A' + i);
        ASSERT_EQ(OnFontFamily(&lf, nullptr, 0, 0), 1);
    }
    int count = 0;
    int blocks = 0;
    std::string order;
    for (FontNameEntry* e = g_fontDialog.names; e; e = e->next) {
        ++count;
        blocks += e->blockStart;
        order += static_cast<char>(e->faceName[0]);
    }
    EXPECT_EQ(count, 26);
    EXPECT_EQ(blocks, 2);
    EXPECT_EQ(order, "ABCDEFGHIJKLMNOPQRSTUVWXYZ") << "in the order enumerated";
    EXPECT_EQ(g_fontDialog.leftInBlock, 24);
    // Without memory for a third block the enumeration stops; the list keeps what it has.
    for (int i = 0; i < 24; ++i) OnFontFamily(&lf, nullptr, 0, 0);
    FailNextAllocations(0, 1);
    EXPECT_EQ(OnFontFamily(&lf, nullptr, 0, 0), 0);
    FreeFontNames();
    EXPECT_EQ(g_fontDialog.names, nullptr);
    EXPECT_EQ(g_fontDialog.tail, &g_fontDialog.names);
}

}  // namespace
}  // namespace velin::textview::testing
