// Painting a screen of text with a real face (DejaVu Sans at 13 pixels through FreeType),
// beside filling the same rows with a brush: the baseline is what the paint would cost if the
// text were free. Then the peak resident memory of an idle headless program.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/windows.h"

namespace {

using velin::platform::PlatformOptions;

struct Screen {
    HWND hwnd = nullptr;
    HDC dc = nullptr;
    HFONT font = nullptr;
    int rows = 0;
    int rowHeight = 0;
    RECT client{};
};

// A full-screen window whose own context has the real face selected.
Screen Open(int width, int height) {
    PlatformOptions options;
    options.headless = true;
    options.screenWidth = width;
    options.screenHeight = height;
    velin::platform::StartPlatform(options);
    WNDCLASSW wc{0, DefWindowProcW, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, u"Bench"};
    RegisterClassW(&wc);
    Screen s;
    s.hwnd = CreateWindowExW(0, u"Bench", u"", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                             nullptr, nullptr);
    s.dc = GetDC(s.hwnd);
    LOGFONTW lf{};
    lf.lfHeight = 13;
    const char16_t face[] = u"DejaVu Sans";
    for (int i = 0; face[i]; ++i) lf.lfFaceName[i] = face[i];
    s.font = CreateFontIndirectW(&lf);
    SelectObject(s.dc, s.font);
    TEXTMETRICW tm;
    GetTextMetricsW(s.dc, &tm);
    s.rowHeight = tm.tmHeight;
    GetClientRect(s.hwnd, &s.client);
    s.rows = s.client.bottom / s.rowHeight;
    return s;
}

void Close(Screen& s) {
    DeleteObject(s.font);
    velin::platform::StopPlatform();
}

// A line of lesson-like text long enough to fill the widest screen.
const std::u16string& Line() {
    static const std::u16string line =
        u"And it came to pass in those days, that there went out a decree from the city to all the "
        u"world, and all went to be taxed, every one into his own city, \u00e9t\u00e9 \u00d5.";
    return line;
}

void BM_PaintTextScreen(benchmark::State& state) {
    Screen s = Open(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const std::u16string& line = Line();
    for (auto _ : state) {
        FillRect(s.dc, &s.client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        for (int row = 0; row < s.rows; ++row) {
            int fit = 0;
            GetTextExtentExPointW(s.dc, line.c_str(), static_cast<int>(line.size()), s.client.right, &fit, nullptr,
                                  nullptr);
            RECT r{0, row * s.rowHeight, s.client.right, (row + 1) * s.rowHeight};
            DrawTextW(s.dc, line.c_str(), fit, &r, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
        }
    }
    state.counters["rows"] = s.rows;
    state.SetLabel("DejaVu Sans 13 px, measure + draw every row");
    Close(s);
}
BENCHMARK(BM_PaintTextScreen)->Args({240, 320})->Args({480, 640})->Unit(benchmark::kMicrosecond);

void BM_FillScreenBaseline(benchmark::State& state) {
    Screen s = Open(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    HBRUSH grey = CreateSolidBrush(RGB(200, 200, 200));
    for (auto _ : state) {
        FillRect(s.dc, &s.client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        for (int row = 0; row < s.rows; ++row) {
            RECT r{0, row * s.rowHeight, s.client.right, (row + 1) * s.rowHeight};
            FillRect(s.dc, &r, grey);
        }
    }
    DeleteObject(grey);
    state.counters["rows"] = s.rows;
    state.SetLabel("baseline: the same rows filled");
    Close(s);
}
BENCHMARK(BM_FillScreenBaseline)->Args({240, 320})->Args({480, 640})->Unit(benchmark::kMicrosecond);

#ifdef VELIN_DEMO_PATH
// The demonstration program reports its own peak resident set (VmHWM, which starts afresh at
// exec) before the platform starts, as the baseline, and at its end.
void BM_IdleProgramPeakRss(benchmark::State& state) {
    const bool realFaces = state.range(0) != 0;
    const std::string registry = "/tmp/velin-bench-" + std::to_string(getpid()) + ".reg";
    const std::string cmd = std::string(VELIN_DEMO_PATH) + " --headless --report-memory --script /dev/null" +
                            (realFaces ? "" : " --test-face") + " --registry " + registry;
    long start = -1, peak = -1;
    for (auto _ : state) {
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) break;
        char line[256];
        while (std::fgets(line, sizeof line, p)) std::sscanf(line, "memory start_kib=%ld peak_kib=%ld", &start, &peak);
        pclose(p);
    }
    std::remove(registry.c_str());
    state.counters["peak_rss_kib"] = static_cast<double>(peak);
    state.counters["baseline_kib"] = static_cast<double>(start);
    state.SetLabel(realFaces ? "idle headless program, real faces; baseline: before the platform starts"
                             : "idle headless program, box face; baseline: before the platform starts");
}
BENCHMARK(BM_IdleProgramPeakRss)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
