// search/ (platform-free core): finding a search text in a lesson, and choosing the day on
// which a lesson found by the walk through the book is shown.
//
// A lesson is a string of records (see textview/lesson_text.h); an occurrence never spans two
// records. The search text and the lesson are 8-bit and are compared byte for byte, with ASCII
// letters alone folded when case does not matter. Nothing here allocates or touches the
// platform: the reader's search, the book tool, the benchmark and the fuzzer share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "calendar/hebrew_date.h"

enum class MatchCase { kNo, kYes };

constexpr size_t kNoMatch = static_cast<size_t>(-1);

// The position of the first occurrence of `pattern` in `text` where ASCII letters match
// regardless of case (every other byte, accented letters included, matches only itself), or
// kNoMatch. An empty text holds nothing; an empty pattern matches at 0 of a non-empty text.
size_t FindTextNoCase(std::string_view text, std::string_view pattern);

// The offset, from the start of the lesson, of the first occurrence of `pattern` that starts at
// or after `from`, or 0 when there is none (a record's text starts at offset 2 or later, so 0
// never is a hit). An empty pattern finds nothing. The lesson may lack its end marker: the walk
// stops at the end of the span.
size_t SearchLessonText(std::span<const uint8_t> lesson, size_t from, std::string_view pattern,
                        MatchCase matchCase);

// The walk through the book's lessons in study-year order: every month 1 to 13 with days 1 to
// 31, each code keeping the leap flag of the one before. A walk that has not come back to its
// start after kWalkLength steps (a start code that is no date) is over all the same.
constexpr int kWalkLength = 13 * 31;
DayCode NextWalkCode(DayCode code);

// The day on which to show the lesson `found`, which the walk reached from the lesson of the
// Hebrew date `current`: the one in the current study year when it lies later in it, else the
// nearest later one in a study year of the code's kind. The day returned always keys `found`
// (DayCodeOfDate of its date gives `found`): the 29th of a short Cheshvan or Kislev for a
// code with day 31, a year with a 30th for a code with day 30. 0 when no year of the
// calendar's range has such a day (a code no date keys).
DayNumber ChooseHitDay(DayCode found, const CalendarDate& current);
