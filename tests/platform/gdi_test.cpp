// Drawing: edges of FillRect and Rectangle, clipping to the window, bitmaps and text placement.
#include <algorithm>

#include "test_support.h"

namespace velin::platform::testing {
namespace {

class GdiTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        WNDCLASSW wc{0, DefWindowProcW, 0, 0, nullptr, nullptr, nullptr,
                     static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), nullptr, u"Plain"};
        RegisterClassW(&wc);
        // A window whose client area starts at screen (20, 40).
        hwnd_ = CreateWindowExW(0, u"Plain", u"", WS_POPUP | WS_VISIBLE, 20, 40, 100, 100, nullptr, nullptr,
                                nullptr, nullptr);
        Pump();
        dc_ = GetDC(hwnd_);
    }
    uint32_t At(int x, int y) { return Pixel(20 + x, 40 + y); }
    HWND hwnd_ = nullptr;
    HDC dc_ = nullptr;
};

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRed = 0xFF0000;

TEST_F(GdiTest, FillRectCoversLeftAndTopButNotRightAndBottom) {
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT r{10, 10, 20, 15};
    FillRect(dc_, &r, red);
    EXPECT_EQ(At(10, 10), kRed);
    EXPECT_EQ(At(19, 14), kRed);
    EXPECT_EQ(At(20, 14), kWhite);
    EXPECT_EQ(At(19, 15), kWhite);
    EXPECT_EQ(At(9, 10), kWhite);
    // Nothing spills out of the client area.
    RECT big{-50, -50, 500, 500};
    FillRect(dc_, &big, red);
    EXPECT_EQ(Pixel(19, 40), 0x808080u);   // the desktop left of the window
    EXPECT_EQ(Pixel(120, 139), 0x808080u);  // right of it
    EXPECT_EQ(Pixel(119, 139), kRed);
    DeleteObject(red);
}

TEST_F(GdiTest, RectangleDrawsThePenOutlineInsideAndTheBrushWithin) {
    const struct {
        int pen;
        int brush;
        // pixels: outer corner, inner corner, last column, past the right edge
        uint32_t corner, inside, lastColumn, pastRight;
    } kCases[] = {
        {BLACK_PEN, WHITE_BRUSH, kBlack, kWhite, kBlack, kRed},
        {BLACK_PEN, NULL_BRUSH, kBlack, kRed, kBlack, kRed},
        // Without an outline the fill stops one pixel short on the right and bottom.
        {NULL_PEN, BLACK_BRUSH, kBlack, kBlack, kRed, kRed},
    };
    for (const auto& c : kCases) {
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        RECT all{0, 0, 100, 100};
        FillRect(dc_, &all, red);
        DeleteObject(red);
        SelectObject(dc_, GetStockObject(c.pen));
        SelectObject(dc_, GetStockObject(c.brush));
        Rectangle(dc_, 10, 10, 20, 20);
        EXPECT_EQ(At(10, 10), c.corner) << c.pen << "/" << c.brush;
        EXPECT_EQ(At(11, 11), c.inside) << c.pen << "/" << c.brush;
        EXPECT_EQ(At(19, 15), c.lastColumn) << c.pen << "/" << c.brush;
        EXPECT_EQ(At(20, 15), c.pastRight) << c.pen << "/" << c.brush;
        EXPECT_EQ(At(15, 20), kRed) << c.pen << "/" << c.brush;
    }
    // A wider pen grows inwards.
    HPEN thick = CreatePen(PS_SOLID, 2, RGB(0, 0, 255));
    SelectObject(dc_, thick);
    SelectObject(dc_, GetStockObject(WHITE_BRUSH));
    Rectangle(dc_, 30, 30, 40, 40);
    EXPECT_EQ(At(31, 31), 0x0000FFu);
    EXPECT_EQ(At(32, 32), kWhite);
    EXPECT_EQ(At(38, 38), 0x0000FFu);
    SelectObject(dc_, GetStockObject(BLACK_PEN));
    DeleteObject(thick);
}

TEST_F(GdiTest, DrawingStaysOutOfWindowsInFrontAndOfChildren) {
    HWND front = CreateWindowExW(0, u"Plain", u"", WS_POPUP | WS_VISIBLE, 60, 60, 30, 30, nullptr, nullptr,
                                 nullptr, nullptr);
    HWND child = CreateWindowExW(0, u"Plain", u"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, hwnd_, nullptr,
                                 nullptr, nullptr);
    Pump();
    RECT all{0, 0, 100, 100};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(Pixel(70, 70), kWhite);  // the front window
    EXPECT_EQ(At(5, 5), kWhite);       // the child
    EXPECT_EQ(At(50, 50), kBlack);
    DestroyWindow(front);
    DestroyWindow(child);
    Pump();
    // What they covered is the parent's again, repainted with its class brush.
    EXPECT_EQ(Pixel(70, 70), kWhite);
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(Pixel(70, 70), kBlack);
    EXPECT_EQ(At(5, 5), kBlack);
}

TEST_F(GdiTest, MonochromeBitmapsTakeTheTextAndBackgroundColours) {
    // 2 x 2: set bits on the diagonal; rows padded to 16 bits.
    const unsigned char bits[] = {0x80, 0x00, 0x40, 0x00};
    HBITMAP bm = CreateBitmap(2, 2, 1, 1, bits);
    HDC mem = CreateCompatibleDC(dc_);
    HGDIOBJ old = SelectObject(mem, bm);
    SetTextColor(dc_, RGB(255, 0, 0));
    SetBkColor(dc_, RGB(0, 0, 255));
    EXPECT_TRUE(BitBlt(dc_, 5, 5, 2, 2, mem, 0, 0, SRCCOPY));
    EXPECT_EQ(At(5, 5), 0x0000FFu);  // set bit: background colour
    EXPECT_EQ(At(6, 5), kRed);       // clear bit: text colour
    EXPECT_EQ(At(6, 6), 0x0000FFu);
    EXPECT_EQ(At(7, 5), kWhite);     // outside the copy
    // A colour bitmap copies its pixels as they are.
    const uint32_t px[] = {0x123456, 0xABCDEF};
    HBITMAP colour = CreateBitmap(2, 1, 1, 32, px);
    SelectObject(mem, colour);
    BitBlt(dc_, 0, 0, 2, 1, mem, 0, 0, SRCCOPY);
    EXPECT_EQ(At(0, 0), 0x123456u);
    EXPECT_EQ(At(1, 0), 0xABCDEFu);
    BITMAP info{};
    EXPECT_EQ(GetObjectW(colour, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 2);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(bm);
    DeleteObject(colour);
}

TEST_F(GdiTest, ResourceBitmapsBlitAsTheirPixelArt) {
    MoveWindow(hwnd_, 0, 26, 240, 294, TRUE);
    Pump();
    SetTextColor(dc_, RGB(255, 0, 0));
    SetBkColor(dc_, RGB(0, 0, 255));
    int checked = 0;
    for (int id : {113, 114, 201, 202, 203}) {
        const BitmapData* data = FindBitmapResource(id);
        if (!data) continue;
        HBITMAP bm = LoadBitmapW(nullptr, MAKEINTRESOURCEW(id));
        ASSERT_NE(bm, nullptr) << id;
        BITMAP info{};
        GetObjectW(bm, sizeof info, &info);
        EXPECT_EQ(info.bmWidth, data->width) << id;
        EXPECT_EQ(info.bmHeight, data->height) << id;
        HDC mem = CreateCompatibleDC(dc_);
        HGDIOBJ old = SelectObject(mem, bm);
        BitBlt(dc_, 0, 0, data->width, data->height, mem, 0, 0, SRCCOPY);
        for (int y = 0; y < std::min(data->height, 294); ++y) {
            for (int x = 0; x < std::min(data->width, 240); ++x) {
                const uint32_t art = data->pixels[y * data->width + x] & 0xFFFFFF;
                // A monochrome picture's black takes the text colour and its white the background.
                const uint32_t want = data->monochrome ? (art ? 0x0000FFu : 0xFF0000u) : art;
                ASSERT_EQ(Pixel(x, 26 + y), want) << "bitmap " << id << " at " << x << "," << y;
            }
        }
        SelectObject(mem, old);
        DeleteDC(mem);
        DeleteObject(bm);
        ++checked;
    }
    EXPECT_GT(checked, 0);
    EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(9999)), nullptr);
}

TEST_F(GdiTest, DrawTextCentresOneLineAndMeasuresWithCalcRect) {
    // The box face at its default size: cells 13 high, advance 7, boxes 6 wide from row 2 to
    // the baseline at row 11.
    RECT r{0, 0, 30, 21};
    SetBkMode(dc_, TRANSPARENT);
    SetTextColor(dc_, RGB(0, 0, 0));
    EXPECT_EQ(DrawTextW(dc_, u"AB", 2, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX), 17);
    // Text 14 wide starts at (30 - 14) / 2 = 8, top at (21 - 13) / 2 = 4.
    EXPECT_EQ(At(7, 4 + 2), kWhite);
    EXPECT_EQ(At(8, 4 + 2), kBlack);
    EXPECT_EQ(At(8, 4 + 1), kWhite);
    EXPECT_EQ(At(13, 4 + 10), kBlack);
    EXPECT_EQ(At(14, 4 + 10), kWhite);  // the gap between the boxes
    EXPECT_EQ(At(15, 4 + 10), kBlack);
    EXPECT_EQ(At(8, 4 + 11), kWhite);
    RECT calc{5, 5, 5, 5};
    EXPECT_EQ(DrawTextW(dc_, u"ABC\nD", -1, &calc, DT_CALCRECT | DT_LEFT), 26);
    EXPECT_EQ(calc.right, 5 + 21);
    EXPECT_EQ(calc.bottom, 5 + 26);
    // Drawn text is clipped to its rectangle.
    RECT narrow{40, 40, 44, 60};
    DrawTextW(dc_, u"WW", 2, &narrow, DT_LEFT | DT_SINGLELINE);
    EXPECT_EQ(At(43, 45), kBlack);
    EXPECT_EQ(At(44, 45), kWhite);
}

TEST_F(GdiTest, ExtTextOutOpaqueFillsItsRectangleWithTheBackgroundColour) {
    SetBkColor(dc_, RGB(255, 255, 0));
    SetTextColor(dc_, RGB(0, 0, 255));
    RECT r{50, 50, 80, 70};
    ExtTextOutW(dc_, 52, 52, ETO_OPAQUE, &r, u"x", 1, nullptr);
    EXPECT_EQ(At(50, 50), 0xFFFF00u);
    EXPECT_EQ(At(79, 69), 0xFFFF00u);
    EXPECT_EQ(At(80, 69), kWhite);
    EXPECT_EQ(At(52, 52 + 2), 0x0000FFu);
    EXPECT_EQ(GetPixel(dc_, 52, 54), RGB(0, 0, 255));
}

}  // namespace
}  // namespace velin::platform::testing
