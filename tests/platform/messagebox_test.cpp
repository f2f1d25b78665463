// Message boxes: the answer for each way of answering, the owner's state, `print messagebox`,
// and the picture.
#include <fstream>

#include "dialog_test_support.h"

namespace velin::platform::testing {
namespace {

using MessageBoxTest = UiTest;

HWND Box() { return GetActiveWindow(); }

TEST_F(MessageBoxTest, AnswersTapsAndKeys) {
    enum How { kTapYes, kTapNo, kTapCancel, kTapOk, kEnter, kEscape, kKeyY, kKeyN };
    const struct {
        UINT type;
        How how;
        int expected;
    } kCases[] = {
        {MB_YESNOCANCEL, kTapYes, IDYES},
        {MB_YESNOCANCEL, kTapNo, IDNO},
        {MB_YESNOCANCEL, kTapCancel, IDCANCEL},
        {MB_YESNOCANCEL, kEnter, IDYES},  // the first button is the default
        {MB_YESNOCANCEL | MB_DEFBUTTON2, kEnter, IDNO},
        {MB_YESNOCANCEL, kEscape, IDCANCEL},
        {MB_YESNOCANCEL, kKeyY, IDYES},  // access keys
        {MB_YESNOCANCEL, kKeyN, IDNO},
        {MB_OK, kTapOk, IDOK},
        {MB_OK, kEnter, IDOK},
        {MB_OK | MB_ICONSTOP, kEscape, IDOK},  // Escape answers a lone OK
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << "type 0x" << std::hex << c.type << " how " << std::dec << c.how);
        Steps({[&] {
            HWND box = Box();
            switch (c.how) {
                case kTapYes: QueueTapOn(GetDlgItem(box, IDYES)); break;
                case kTapNo: QueueTapOn(GetDlgItem(box, IDNO)); break;
                case kTapCancel: QueueTapOn(GetDlgItem(box, IDCANCEL)); break;
                case kTapOk: QueueTapOn(GetDlgItem(box, IDOK)); break;
                case kEnter: QueueKey(VK_RETURN); break;
                case kEscape: QueueKey(VK_ESCAPE); break;
                case kKeyY: QueueKey('Y'); break;
                case kKeyN: QueueKey('N'); break;
            }
        }});
        EXPECT_EQ(MessageBoxW(nullptr, u"Question?", u"Box", c.type), c.expected);
        EXPECT_FALSE(StepsLeft());
    }
}

TEST_F(MessageBoxTest, YesNoIgnoresEscape) {
    Steps({[] { QueueKey(VK_ESCAPE); }, [] { QueueKey('N'); }});
    EXPECT_EQ(MessageBoxW(nullptr, u"Sure?", u"Box", MB_YESNO), IDNO);
}

TEST_F(MessageBoxTest, OwnerIsDisabledWhileItIsOpenAndActiveAfter) {
    HWND owner = MakeOwner();
    bool ownerEnabled = true;
    std::string printed;
    Steps({[&] {
        ownerEnabled = IsWindowEnabled(owner) != 0;
        printed = PrintMessageBoxText();
        QueueKey(VK_RETURN);
    }});
    EXPECT_EQ(MessageBoxW(owner, u"Remove Bookmark?\n\nCancel - Don't ask again", u"Bookmark", MB_YESNOCANCEL), IDYES);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_EQ(printed, "messagebox caption=Bookmark text=\"Remove Bookmark?\\n\\nCancel - Don't ask again\"");
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
    EXPECT_EQ(PrintMessageBoxText(), "messagebox none");
}

TEST_F(MessageBoxTest, DefaultCaptionIsError) {
    std::string printed;
    Steps({[&] {
        printed = PrintMessageBoxText();
        QueueKey(VK_RETURN);
    }});
    MessageBoxW(nullptr, u"Buffer", nullptr, MB_OK);
    EXPECT_EQ(printed, "messagebox caption=Error text=Buffer");
}

TEST_F(MessageBoxTest, Pictures) {
    const struct {
        const char* golden;
        const char16_t* text;
        UINT type;
    } kCases[] = {
        {"messagebox_question", u"Remove Bookmark?\n\nCancel - Don't ask again", MB_YESNOCANCEL},
        {"messagebox_stop", u"There is not enough memory, aborting", MB_OK | MB_ICONSTOP},
        {"messagebox_exclamation", u"Not Found!", MB_OK | MB_ICONEXCLAMATION},
    };
    HWND owner = MakeOwner();
    for (const auto& c : kCases) {
        Steps({[&] {
            EXPECT_TRUE(MatchesGolden(Screen(), c.golden));
            QueueKey(VK_RETURN);
        }});
        MessageBoxW(owner, c.text, u"Velin", c.type);
    }
}

// A script drives a box as a person would: the box's loop takes the next command when it has
// nothing else to do, and `print messagebox` reads it.
TEST(MessageBoxScriptTest, ScriptAnswersAndReadsTheBox) {
    const std::string dir = MakeTempDir("messagebox-script");
    const std::string script = dir + "/answer.txt";
    std::ofstream(script) << "print messagebox\nkey N\nprint messagebox\n";
    SetRegistryFilePath(dir + "/registry.reg");
    SetDefaultFaceName(u"Velin Test");
    PlatformOptions options;
    options.headless = true;
    options.scriptPath = script;
    ASSERT_EQ(StartPlatform(options), StartStatus::kOk);
    ::testing::internal::CaptureStdout();
    const int answer = MessageBoxW(nullptr, u"Remove Bookmark?", u"Bookmark", MB_YESNOCANCEL);
    const int second = MessageBoxW(nullptr, u"Not Found!", u"Velin", MB_OK);
    const std::string out = ::testing::internal::GetCapturedStdout();
    StopPlatform();
    EXPECT_EQ(answer, IDNO);
    // The script ran out during the second box, the program's only window: the close request
    // that ends a script answers it as Escape does.
    EXPECT_EQ(second, IDOK);
    EXPECT_EQ(out, "messagebox caption=Bookmark text=\"Remove Bookmark?\"\nmessagebox caption=Velin text=\"Not Found!\"\n");
}

}  // namespace
}  // namespace velin::platform::testing
