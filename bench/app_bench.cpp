// The reader's speed and size, each beside its baseline from the same run:
//   - a day change (ShowDay: lookup, decompression, layout and paint of the built-in book's
//     largest lesson with the system's real face) at 240 x 320 and 480 x 640, beside
//     decompressing the same lesson alone;
//   - start-up of the headless reader to its first painted frame (the answer to a script's
//     first `print state`, which the reader takes only once the first paint is done), beside
//     `velin --version` from the same binary;
//   - the peak resident memory of the reader after paging through a whole lesson, beside
//     that of `velin --version`.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/app.h"
#include "book/book.h"

namespace {

struct Largest {
    DayNumber day = 0;
    DayCode code = 0;
    size_t length = 0;
};

std::optional<BookFile> g_book;

// The largest lesson of one leap study year (19 Kislev 5768 to 18 Kislev 5769).
Largest FindLargest() {
    Largest best;
    const DayNumber first = HebrewToDayNumber(9, 19, 5768);
    const DayNumber last = HebrewToDayNumber(9, 18, 5769);
    for (DayNumber n = first; n <= last; ++n) {
        CalendarDate d;
        DayNumberToHebrew(n, d);
        const DayCode code = DayCodeOfDate(d.month, d.day, d.year);
        size_t length = 0;
        int reason = 0;
        if (LoadLesson(code, &reason, &length) && length > best.length) best = {n, code, length};
    }
    return best;
}

bool InstallBuiltinBook(benchmark::State& state) {
    if (g_book) return true;
    std::string error;
    g_book = BookFile::Load(VELIN_BUILTIN_BOOK_PATH, &error);
    if (!g_book) {
        state.SkipWithError(("no built-in book: " + error).c_str());
        return false;
    }
    SetRcDataSource(&*g_book);
    return true;
}

void BM_DecompressLargestLesson(benchmark::State& state) {
    if (!InstallBuiltinBook(state)) return;
    const Largest largest = FindLargest();
    for (auto _ : state) {
        size_t length = 0;
        ByteBuffer text = LoadLesson(largest.code, nullptr, &length);
        benchmark::DoNotOptimize(text.get());
    }
    state.SetLabel("baseline: LoadLesson alone, lesson 0x" +
                   [&] {
                       char b[8];
                       std::snprintf(b, sizeof b, "%04X", largest.code);
                       return std::string(b);
                   }() +
                   ", " + std::to_string(largest.length) + " bytes");
}
BENCHMARK(BM_DecompressLargestLesson)->Unit(benchmark::kMicrosecond);

void BM_DayChange(benchmark::State& state) {
    if (!InstallBuiltinBook(state)) return;
    const Largest largest = FindLargest();
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const std::string dir = (std::filesystem::temp_directory_path() / "velin-app-bench").string();
    std::filesystem::create_directories(dir);
    SetRegistryFilePath(dir + "/registry.reg");
    velin::platform::PlatformOptions options;
    options.headless = true;
    options.screenWidth = width;
    options.screenHeight = height;
    if (velin::platform::StartPlatform(options) != velin::platform::StartStatus::kOk) {
        state.SkipWithError("cannot start the platform");
        return;
    }
    ClearAppState();
    g_app.instance = GetModuleHandleW(nullptr);
    LoadSettings();
    SelectDay(largest.day, 1);
    WNDCLASSW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kMainClassName;
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(
        WS_EX_WINDOWEDGE, kMainClassName, kMainTitle, WS_VISIBLE | WS_VSCROLL, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, g_app.instance, nullptr);
    UpdateWindow(window);
    for (auto _ : state) {
        // The same day reloads: lookup, decompression, layout and paint, as every move does.
        ShowDay(window, largest.day);
    }
    state.SetLabel(std::to_string(width) + "x" + std::to_string(height) + ", " +
                   std::to_string(g_app.textView ? g_app.textView->totalRows : 0) +
                   " rows; target < 2 ms at 480x640");
    DestroyWindow(window);
    velin::platform::StopPlatform();
}
BENCHMARK(BM_DayChange)->Args({240, 320})->Args({480, 640})->Unit(benchmark::kMicrosecond);

// ---- The reader as a program
// ---------------------------------------------------------------------

struct ChildResult {
    double seconds = 0;  // until the first line of output (or the end)
    long peakKib = 0;    // ru_maxrss of the child
};

// Runs the reader with `args` (and a script on standard input); times the wait for its first
// line of output when `untilFirstLine`, else for its end.
ChildResult RunReader(const std::string& args, const std::string& script, bool untilFirstLine) {
    int in[2], out[2];
    ChildResult r;
    if (pipe(in) != 0 || pipe(out) != 0) return r;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[1]);
        close(out[0]);
        execl("/bin/sh", "sh", "-c",
              ("exec " + std::string(VELIN_READER_PATH) + " " + args).c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (!script.empty() && write(in[1], script.data(), script.size()) < 0) r.seconds = -1;
    close(in[1]);
    char c;
    while (read(out[0], &c, 1) == 1) {
        if (c == '\n' && untilFirstLine) break;
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    while (read(out[0], &c, 1) == 1) {
    }
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    r.peakKib = usage.ru_maxrss;
    return r;
}

std::string ReaderArgs() {
    const std::string dir = (std::filesystem::temp_directory_path() / "velin-app-bench").string();
    std::filesystem::create_directories(dir);
    return "--headless --date 2007-11-29 --registry " + dir + "/start.reg --script -";
}

void BM_VersionProgram(benchmark::State& state) {
    ChildResult r;
    for (auto _ : state) {
        r = RunReader("--version", "", false);
        state.SetIterationTime(r.seconds);
    }
    state.counters["peak_rss_kib"] = static_cast<double>(r.peakKib);
    state.SetLabel("baseline: velin --version");
}
BENCHMARK(BM_VersionProgram)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_StartUpToFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        const ChildResult r = RunReader(ReaderArgs(), "print state\n", true);
        state.SetIterationTime(r.seconds);
    }
    state.SetLabel("headless reader, first lesson painted; target < 50 ms");
}
BENCHMARK(BM_StartUpToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_PeakMemoryAfterPagingALesson(benchmark::State& state) {
    std::string script;
    for (int i = 0; i < 400; ++i) script += "key PageDown\n";
    script += "print state\n";
    ChildResult r;
    for (auto _ : state) r = RunReader(ReaderArgs(), script, false);
    state.counters["peak_rss_kib"] = static_cast<double>(r.peakKib);
    state.SetLabel("headless reader after 400 Page Downs; target < 25 MB");
}
BENCHMARK(BM_PeakMemoryAfterPagingALesson)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
