// The outline view on arbitrary outline data, on the headless screen: build it at a width and
// height from the input, reveal a day, tap, scroll, carry the expansion over a size change and
// paint. Nothing may read outside the data or the row table, and the counters must agree with
// the rows.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "outline/outline.h"
#include "platform/windows.h"

namespace {

HDC ScreenDc() {
    static HDC dc = [] {
        velin::platform::SetDefaultFaceName(u"Velin Test");
        velin::platform::PlatformOptions options;
        options.headless = true;
        if (velin::platform::StartPlatform(options) != velin::platform::StartStatus::kOk) abort();
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = u"OutlineFuzz";
        RegisterClassW(&wc);
        HWND w = CreateWindowExW(0, u"OutlineFuzz", u"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320,
                                 nullptr, nullptr, nullptr, nullptr);
        return GetDC(w);
    }();
    return dc;
}

void CheckCounts(const OutlineView* v) {
    int rows = 0;
    int visible = 0;
    for (; v->rows && v->rows[rows].state; ++rows) visible += (v->rows[rows].state & 0x80) != 0;
    if (rows != v->rowCount || visible != v->visibleRows || v->maxTop > v->visibleRows) {
        fprintf(stderr, "rows %d/%d visible %d/%d maxTop %d\n", rows, v->rowCount, visible,
                v->visibleRows, v->maxTop);
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    const int width = data[0];
    const int height = data[1];
    const uint16_t reveal = static_cast<uint16_t>(data[2] | data[3] << 8);
    const uint8_t tapX = data[4], tapY = data[5], tapX2 = data[6], scroll = data[7];
    OutlineData outline;
    outline.bytes.reset(static_cast<uint8_t*>(AllocBytes(size - 8 + 1)));
    if (!outline.bytes) return 0;
    std::memcpy(outline.bytes.get(), data + 8, size - 8);
    outline.size = size - 8;

    static const HBITMAP glyphs[3] = {};
    OutlineView* v =
        OutlineView::Create(ScreenDc(), RECT{0, 0, width, height}, FontSpec{}, 4, glyphs);
    if (!v) return 0;
    if (OutlineView::Build(v, std::move(outline), OutlineReplace::kReplace) == kOutlineBuilt) {
        CheckCounts(v);
        OutlineView::Reveal(v, reveal);
        CheckCounts(v);
        OutlineView::HitTest(v, tapX, tapY);
        OutlineView::Scroll(v, static_cast<int8_t>(scroll));
        OutlineView::HitTest(v, tapX2, tapY);
        CheckCounts(v);
        ExpansionList saved = OutlineView::SaveExpansion(v);
        OutlineView::Resize(v, height, width);
        OutlineView::RestoreExpansion(v, saved.get());
        CheckCounts(v);
        OutlineView::Paint(v, OutlineErase::kYes);
    }
    OutlineView::Destroy(v, OutlineFree::kFreeObject);
    return 0;
}
