#include "platform/clipboard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "book/book.h"

namespace {

HLOCAL TextBlock(std::u16string_view text) {
    HLOCAL block = LocalAlloc(LMEM_MOVEABLE, (text.size() + 1) * 2);
    auto* p = static_cast<char16_t*>(block);
    text.copy(p, text.size());
    p[text.size()] = 0;
    return block;
}

bool Put(std::u16string_view text) {
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    HLOCAL block = TextBlock(text);
    bool ok = SetClipboardData(CF_UNICODETEXT, block) == block;
    CloseClipboard();
    return ok;
}

std::optional<std::u16string> Get() {
    if (!OpenClipboard(nullptr)) return std::nullopt;
    auto* text = static_cast<const char16_t*>(GetClipboardData(CF_UNICODETEXT));
    std::optional<std::u16string> out;
    if (text != nullptr) out = std::u16string(text);
    CloseClipboard();
    return out;
}

// The desktop's clipboard, as the desktop backend would reach it.
std::optional<std::string> gDesktop;
bool DesktopGet(std::string* utf8) {
    if (!gDesktop) return false;
    *utf8 = *gDesktop;
    return true;
}
void DesktopSet(const std::string* utf8) {
    gDesktop = utf8 ? std::optional<std::string>(*utf8) : std::nullopt;
}

class ClipboardTest : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        ResetClipboard();
        gDesktop.reset();
        if (GetParam()) SetClipboardHooks({DesktopGet, DesktopSet});
    }
    void TearDown() override { ResetClipboard(); }
};

// Latin-1 (the book's characters), CR LF line ends and a character outside the BMP.
constexpr std::u16string_view kText = u"abc \u00D5\u00E9\r\n\U0001F600";

TEST_P(ClipboardTest, TextRoundTrips) {
    EXPECT_EQ(Get(), std::nullopt);
    ASSERT_TRUE(Put(kText));
    EXPECT_EQ(Get(), std::u16string(kText));
    std::u16string peeked;
    ASSERT_TRUE(PeekClipboardText(&peeked));
    EXPECT_EQ(peeked, kText);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    if (GetParam()) {
        EXPECT_EQ(gDesktop, "abc \xC3\x95\xC3\xA9\r\n\xF0\x9F\x98\x80");
    }

    // Emptying leaves nothing, here and on the desktop.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), nullptr);
    CloseClipboard();
    EXPECT_FALSE(PeekClipboardText(&peeked));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
}

TEST_P(ClipboardTest, TheClipboardMustBeOpenAndIsOpenedOnce) {
    HLOCAL block = TextBlock(u"x");
    EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, block), nullptr) << "not open";
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), nullptr);
    EXPECT_FALSE(CloseClipboard());
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_FALSE(OpenClipboard(nullptr));
    EXPECT_EQ(SetClipboardData(1, block), nullptr) << "only Unicode text";
    EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, nullptr), nullptr);
    EXPECT_TRUE(CloseClipboard());
    LocalFree(block);  // every refusal left the block with the caller
}

TEST_P(ClipboardTest, ABlockWithoutItsZeroIsReadToItsEnd) {
    HLOCAL block = LocalAlloc(LMEM_MOVEABLE, 4);
    std::memcpy(block, u"ab", 4);  // no terminating zero
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    ASSERT_EQ(SetClipboardData(CF_UNICODETEXT, block), block);
    CloseClipboard();
    std::u16string text;
    ASSERT_TRUE(PeekClipboardText(&text));
    EXPECT_EQ(text, u"ab");
}

INSTANTIATE_TEST_SUITE_P(HeadlessAndDesktop, ClipboardTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Desktop" : "Headless"; });

TEST(ClipboardDesktopTest, TextThatAnotherProgramCopiedIsRead) {
    ResetClipboard();
    SetClipboardHooks({DesktopGet, DesktopSet});
    gDesktop = "caf\xC3\xA9 \xFF";  // a stray byte that is not UTF-8
    std::optional<std::u16string> text = Get();
    EXPECT_EQ(text, u"caf\u00E9 \uFFFD");
    // A block handed out stays valid until the clipboard is closed.
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE first = GetClipboardData(CF_UNICODETEXT);
    gDesktop = "changed";
    EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), first);
    CloseClipboard();
    EXPECT_EQ(Get(), u"changed");
    ResetClipboard();
}

TEST(LocalMemoryTest, BlocksKeepTheirSizeAndCanFail) {
    HLOCAL zeroed = LocalAlloc(LPTR, 6);
    ASSERT_NE(zeroed, nullptr);
    EXPECT_EQ(LocalSize(zeroed), 6u);
    EXPECT_EQ(LocalLock(zeroed), zeroed);
    EXPECT_EQ(std::memcmp(zeroed, "\0\0\0\0\0\0", 6), 0);
    EXPECT_EQ(LocalFree(zeroed), nullptr);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
    FailNextAllocations(0, 1);
    EXPECT_EQ(LocalAlloc(LMEM_MOVEABLE, 10), nullptr);
    EXPECT_EQ(LocalAlloc(LMEM_MOVEABLE, SIZE_MAX), nullptr);
}

}  // namespace
