// Book sources made in the tests: every day of a schedule with a small lesson of its own.
#pragma once

#include <set>
#include <string>
#include <utility>

#include "tools/booksource.h"

// "@lesson" lines for every day of the schedule except `skip` (month, day), each lesson a
// heading and a paragraph naming its day, so a test can tell the lessons apart.
inline std::string CompleteSchedule(Schedule schedule,
                                    const std::set<std::pair<int, int>>& skip = {}) {
    std::string text = schedule == Schedule::kLeap ? "@schedule leap\n" : "@schedule common\n";
    for (int m = 1; m <= ScheduleMonthCount(schedule); ++m) {
        for (int d = 1; d <= ScheduleLastLessonDay(schedule, m); ++d) {
            if (skip.count({m, d})) continue;
            std::string day = std::to_string(m) + " " + std::to_string(d);
            text += "@lesson " + day + "\n.heading Day " + day + "\n.p Lesson of " + day + ".\n";
        }
    }
    return text;
}

inline std::string LessonText(int m, int d) {
    std::string day = std::to_string(m) + " " + std::to_string(d);
    return "Day " + day + "|Lesson of " + day + ".";
}

constexpr const char* kSmallContents =
    "@contents\n* Part\n** Group\n*** First @ Nisan 1\n*** Long @ Cheshvan 31\n";
