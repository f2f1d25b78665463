// Copy and Append to ClipBoard through the text view, on the headless clipboard: what reaches
// the clipboard, and that a failure (no memory, a clipboard someone else holds open) never
// loses the text that was there.
#include "textview/clipboard_export.h"

#include <gtest/gtest.h>

#include <string>

#include "records.h"
#include "view_fixture.h"

namespace velin::textview::testing {
namespace {

class ClipboardExportTest : public ViewTest {
  protected:
    void SetUp() override {
        ViewTest::SetUp();
        ResetClipboard();
        SetClipboardExportHost(nullptr, hwnd_);
    }
    void TearDown() override {
        FailNextAllocations(0, 0);
        ResetClipboard();
        ViewTest::TearDown();
    }
    TextView* ViewOf(const Bytes& lesson) {
        TextView* view = MakeView(RECT{0, 0, kWindowWidth, kWindowHeight});
        EXPECT_EQ(Show(view, lesson), kLayoutDone);
        return view;
    }
    static void PutText(const std::u16string& text) {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        auto* block = static_cast<char16_t*>(LocalAlloc(LMEM_MOVEABLE, (text.size() + 1) * 2));
        std::copy(text.begin(), text.end(), block);
        block[text.size()] = 0;
        ASSERT_NE(SetClipboardData(CF_UNICODETEXT, block), nullptr);
        CloseClipboard();
    }
    static std::u16string Clipboard() {
        std::u16string text;
        return PeekClipboardText(&text) ? text : u"<none>";
    }
};

const Bytes kAbc = Lesson({Record(0x81, 0x00, "abc")});

TEST_F(ClipboardExportTest, CopyReplacesAndAppendAddsWithoutSeparator) {
    const struct {
        const char* name;
        std::u16string before;  // u"<none>": an empty clipboard
        int append;
        std::u16string after;
    } kCases[] = {
        {"copy onto an empty clipboard", u"<none>", 0, u"abc\r\n\r\n"},
        {"copy replaces", u"old", 0, u"abc\r\n\r\n"},
        {"append to an empty clipboard is a copy", u"<none>", 1, u"abc\r\n\r\n"},
        {"append to an empty text", u"", 1, u"abc\r\n\r\n"},
        {"append after other text", u"old", 1, u"oldabc\r\n\r\n"},
        {"append after a copy gives the lesson twice", u"abc\r\n\r\n", 1,
         u"abc\r\n\r\nabc\r\n\r\n"},
    };
    TextView* view = ViewOf(kAbc);
    for (const auto& c : kCases) {
        ResetClipboard();
        if (c.before != u"<none>") PutText(c.before);
        EXPECT_EQ(TextView::CopyToClipboard(view, c.append), 0) << c.name;
        EXPECT_EQ(Clipboard(), c.after) << c.name;
        EXPECT_TRUE(OpenClipboard(nullptr)) << c.name << ": the clipboard was left open";
        CloseClipboard();
    }
}

TEST_F(ClipboardExportTest, BookBytesReachTheClipboardAsTheirOwnCodeUnits) {
    TextView* view = ViewOf(Lesson({Record(0x22, 0x00, "\xD5\xE0"), Record(0xC7, 0x00)}));
    TextView::CopyToClipboard(view, 0);
    // One line end for the record without gap, two for the empty rule with its gap bit.
    EXPECT_EQ(Clipboard(), u"\u00D5\u00E0\r\n\r\n\r\n");
}

TEST_F(ClipboardExportTest, WithoutViewOrLessonNothingChanges) {
    PutText(u"kept");
    EXPECT_EQ(TextView::CopyToClipboard(nullptr, 0), kViewMissing);
    TextView* empty = MakeView(RECT{0, 0, kWindowWidth, kWindowHeight});
    EXPECT_EQ(TextView::CopyToClipboard(empty, 0), 0);
    EXPECT_EQ(Clipboard(), u"kept");
}

// Every allocation on the way can fail; none of them may cost the user the clipboard's text.
// (The reader's guarded allocation has begun its shutdown by the time it answers null.)
TEST_F(ClipboardExportTest, AnAllocationFailureLeavesTheClipboardAsItWas) {
    const struct {
        const char* name;
        int append;
        int skip;  // successful allocations before the failing one
    } kCases[] = {
        {"copy: the export buffer", 0, 0},     {"copy: the clipboard block", 0, 1},
        {"append: the export buffer", 1, 0},   {"append: the copy of the old text", 1, 1},
        {"append: the clipboard block", 1, 2},
    };
    TextView* view = ViewOf(kAbc);
    for (const auto& c : kCases) {
        PutText(u"kept");
        FailNextAllocations(c.skip, 1);
        TextView::CopyToClipboard(view, c.append);
        FailNextAllocations(0, 0);
        EXPECT_EQ(Clipboard(), u"kept") << c.name;
    }
}

TEST_F(ClipboardExportTest, AClipboardHeldOpenIsLeftAlone) {
    PutText(u"kept");
    TextView* view = ViewOf(kAbc);
    ASSERT_TRUE(OpenClipboard(nullptr));  // someone else holds it
    TextView::CopyToClipboard(view, 1);
    CloseClipboard();
    EXPECT_EQ(Clipboard(), u"kept");
}

}  // namespace
}  // namespace velin::textview::testing
