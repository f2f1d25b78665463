// The search's cost over a whole book. A search that finds nothing walks every day code of the
// study year (13 months of days 1 to 31, with the leap flag), looks each up, decompresses it,
// searches it and releases it. The baseline, from the same run, decompresses the same lessons
// once and searches nothing: the walk should cost at most 1.5 times as much.
// The book: $VELIN_BOOK, else the built-in book of this build tree.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "book/book.h"
#include "search/lesson_search.h"

namespace {

std::optional<BookFile> g_book;
std::string g_bookPath;

bool InstallBook(benchmark::State& state) {
    if (g_book) return true;
    const char* env = std::getenv("VELIN_BOOK");
    g_bookPath = env && *env ? env : VELIN_BUILTIN_BOOK_PATH;
    std::string error;
    g_book = BookFile::Load(g_bookPath, &error);
    if (!g_book) {
        state.SkipWithError(("no book: " + error).c_str());
        return false;
    }
    SetRcDataSource(&*g_book);
    return true;
}

// 19 Kislev of a leap study year: the walk covers all of the book's lessons.
constexpr DayCode kStart = 0x1913;
// Texts that no lesson holds: one that starts with a rare letter (the scan for its first
// character is nearly all the work), one with a frequent one (many starts compared further).
constexpr std::string_view kRareFirst = "Qzxv nowhere in the book";
constexpr std::string_view kCommonFirst = "the qzxv nowhere";

void BM_DecompressEveryLesson(benchmark::State& state) {
    if (!InstallBook(state)) return;
    size_t lessons = 0, bytes = 0;
    for (auto _ : state) {
        lessons = bytes = 0;
        DayCode code = kStart;
        for (int step = 0; step < kWalkLength; ++step) {
            code = NextWalkCode(code);
            size_t length = 0;
            ByteBuffer lesson = LoadLesson(code, nullptr, &length);
            if (!lesson) continue;
            benchmark::DoNotOptimize(lesson.get());
            ++lessons;
            bytes += length;
        }
    }
    state.SetLabel("baseline: LoadLesson of every code once, " + std::to_string(lessons) +
                   " lessons, " + std::to_string(bytes) + " bytes, " + g_bookPath);
}

void SearchWalk(benchmark::State& state, std::string_view absent, MatchCase matchCase) {
    if (!InstallBook(state)) return;
    size_t lessons = 0;
    for (auto _ : state) {
        lessons = 0;
        DayCode code = kStart;
        for (int step = 0; step < kWalkLength; ++step) {
            code = NextWalkCode(code);
            if (code == kStart) break;
            size_t length = 0;
            ByteBuffer lesson = LoadLesson(code, nullptr, &length);
            if (!lesson) continue;
            ++lessons;
            const size_t hit = SearchLessonText({lesson.get(), length}, 0, absent, matchCase);
            benchmark::DoNotOptimize(hit);
        }
    }
    state.SetLabel("walk ending in Not Found: " + std::to_string(lessons) +
                   " lessons searched for \"" + std::string(absent) + "\"");
}

void BM_SearchWalkNoCase(benchmark::State& state) { SearchWalk(state, kRareFirst, MatchCase::kNo); }
void BM_SearchWalkMatchCase(benchmark::State& state) {
    SearchWalk(state, kRareFirst, MatchCase::kYes);
}
void BM_SearchWalkNoCaseFrequentFirstLetter(benchmark::State& state) {
    SearchWalk(state, kCommonFirst, MatchCase::kNo);
}

BENCHMARK(BM_DecompressEveryLesson)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchWalkNoCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchWalkMatchCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchWalkNoCaseFrequentFirstLetter)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
