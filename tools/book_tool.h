// tools/ (command half): the subcommands of velin-book. build compiles book sources into a book
// file; check decompresses and validates every part of a book; dump lists its packs, chunks and
// records; lesson prints the caption and the plain text of a date's lesson; dates converts ISO
// dates read from standard input.
//
// The default book is the built-in one (BuiltinBookImage of resources/builtin_book.h), which the
// executable brings with the book library it links; --book FILE names another everywhere.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "calendar/hebrew_date.h"

// Exit codes. kExitNoLesson: the date is valid but its day has no lesson in the book.
constexpr int kExitOk = 0;
constexpr int kExitFault = 1;
constexpr int kExitNoLesson = 2;

// Runs one command line (without the program name) and returns the exit code.
int RunBookTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                std::ostream& err);

// "YYYY-MM-DD" with a year 1 to 9999 and a day that exists in its month.
bool ParseIsoDate(const std::string& text, CalendarDate* date);

// The line that `dates` prints for a Gregorian date:
// "YYYY-MM-DD DAYNUMBER M-D-Y 0xCODE CAPTION".
std::string DateLine(const CalendarDate& date);
