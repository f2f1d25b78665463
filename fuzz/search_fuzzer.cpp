// The input: a flags byte (bit 0: Match Case), the start offset (16 bits, little-endian), the
// pattern's length, the pattern, then the lesson. A hit must lie inside the lesson, at or after
// the start, at offset 2 or more, inside one record's text, and hold the pattern.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "search/lesson_search.h"

namespace {

bool Same(char a, char b, MatchCase matchCase) {
    if (a == b) return true;
    if (matchCase == MatchCase::kYes) return false;
    const int x = static_cast<signed char>(a), y = static_cast<signed char>(b);
    const int lo = x < y ? x : y, hi = x < y ? y : x;
    return lo >= 'A' && lo <= 'Z' && hi == lo + 32;
}

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const MatchCase matchCase = (data[0] & 1) != 0 ? MatchCase::kYes : MatchCase::kNo;
    const size_t from = data[1] | data[2] << 8;
    const size_t patternLength = data[3] < size - 4 ? data[3] : size - 4;
    const std::string_view pattern(reinterpret_cast<const char*>(data + 4), patternLength);
    const std::span<const uint8_t> lesson(data + 4 + patternLength, size - 4 - patternLength);
    const std::string_view text(reinterpret_cast<const char*>(lesson.data()), lesson.size());

    // FindTextNoCase against the plain scan from the first position on.
    size_t expected = kNoMatch;
    for (size_t s = 0; !text.empty() && s + pattern.size() <= text.size(); ++s) {
        size_t i = 0;
        while (i < pattern.size() && Same(text[s + i], pattern[i], MatchCase::kNo)) ++i;
        if (i == pattern.size()) {
            expected = s;
            break;
        }
    }
    Check(FindTextNoCase(text, pattern) == expected);

    const size_t hit = SearchLessonText(lesson, from, pattern, matchCase);
    if (hit != 0) {
        Check(!pattern.empty());
        Check(hit >= 2 && hit >= from);
        Check(hit + pattern.size() <= lesson.size());
        for (size_t i = 0; i < pattern.size(); ++i) {
            Check(lesson[hit + i] != 0);  // never across the end of a record's text
            Check(Same(static_cast<char>(lesson[hit + i]), pattern[i], matchCase));
        }
    }
    return 0;
}
