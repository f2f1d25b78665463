// velin-plan: writes the built-in book's source from the verse-a-line text of the Scriptures.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tools/plan.h"

namespace {

constexpr const char* kUsage =
    "usage: velin-plan [--schedule leap|common|both] [--stats] INPUT -o OUTPUT.vsrc\n"
    "\n"
    "Reads the Scriptures as verse-a-line text (\"Ge1:1 In the beginning ...\"; INPUT - is\n"
    "standard input), divides the Hebrew Bible into one portion for each day of the study\n"
    "year from 19 Kislev to 18 Kislev, and writes a book source with its table of contents.\n"
    "\n"
    "  --schedule leap    the 13-month study year, 385 days (the default)\n"
    "  --schedule common  the 12-month study year, 355 days; the table of contents names\n"
    "                     days of the leap schedule, so this source has none\n"
    "  --schedule both    both study years, and the table of contents\n"
    "  --stats            print lesson sizes and the largest pack before compression\n";

bool ReadAll(const std::string& path, std::string* out) {
    if (path == "-") {
        out->assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return !std::cin.bad();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Writes beside the target and renames, so that a failed run never leaves a partial source
// that the build would take for a finished one.
bool WriteAtomically(const std::string& path, const std::string& text) {
    std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
        if (!out) {
            out.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

// Lesson sizes and the packs they will fill: days 1-11, 12-22 and 23 to the end of each month.
void PrintStats(const plan::Plan& plan, const std::vector<plan::Lesson>& lessons) {
    size_t least = SIZE_MAX, most = 0, sum = 0;
    std::map<std::pair<int, int>, size_t> packs;
    for (const plan::Lesson& lesson : lessons) {
        size_t bytes = plan::LessonBytes(lesson);
        packs[{lesson.date.month, (std::min(lesson.date.day, 23) - 1) / 11}] += bytes;
        if (lesson.date.day == 31) continue;  // not a reading day of its own
        least = std::min(least, bytes);
        most = std::max(most, bytes);
        sum += bytes;
    }
    auto largest = std::max_element(packs.begin(), packs.end(), [](const auto& a, const auto& b) {
        return a.second < b.second;
    });
    std::printf("%s schedule: reading days %zu, lessons %zu, units %zu\n",
                plan.schedule == plan::Schedule::kLeap ? "leap" : "common", plan.days.size(),
                lessons.size(), plan.units.size());
    std::printf("lesson bytes: min %zu, mean %.0f, max %zu\n", least,
                static_cast<double>(sum) / static_cast<double>(plan.days.size()), most);
    if (largest != packs.end()) {
        std::printf("largest pack before compression: %s, third %d, %zu bytes\n",
                    plan::MonthName(largest->first.first), largest->first.second + 1,
                    largest->second);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string input, output;
    std::vector<plan::Schedule> schedules = {plan::Schedule::kLeap};
    bool stats = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--stats") {
            stats = true;
        } else if (arg == "--schedule" && i + 1 < argc) {
            std::string value = argv[++i];
            if (value == "leap") {
                schedules = {plan::Schedule::kLeap};
            } else if (value == "common") {
                schedules = {plan::Schedule::kCommon};
            } else if (value == "both") {
                schedules = {plan::Schedule::kLeap, plan::Schedule::kCommon};
            } else {
                std::fprintf(stderr, "velin-plan: unknown schedule \"%s\"\n", value.c_str());
                return 2;
            }
        } else if (arg == "-o" && i + 1 < argc) {
            output = argv[++i];
        } else if (input.empty() && (arg == "-" || arg[0] != '-')) {
            input = arg;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (input.empty() || output.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    std::string text;
    if (!ReadAll(input, &text)) {
        std::fprintf(stderr, "velin-plan: cannot read %s\n", input.c_str());
        return 1;
    }
    std::vector<plan::Book> books;
    std::string error;
    if (!plan::ParseVerseText(text, &books, &error)) {
        std::fprintf(stderr, "velin-plan: %s: %s\n", input.c_str(), error.c_str());
        return 1;
    }
    std::vector<plan::ScheduleLessons> parts;
    std::vector<plan::ContentsEntry> contents;
    for (plan::Schedule schedule : schedules) {
        plan::Plan thePlan;
        if (!plan::MakePlan(books, schedule, &thePlan, &error)) {
            std::fprintf(stderr, "velin-plan: %s\n", error.c_str());
            return 1;
        }
        parts.push_back({schedule, plan::MakeLessons(books, thePlan)});
        if (schedule == plan::Schedule::kLeap) contents = plan::MakeContents(books, thePlan);
        if (stats) PrintStats(thePlan, parts.back().lessons);
    }
    if (!WriteAtomically(output, plan::WriteBookSource(parts, contents))) {
        std::fprintf(stderr, "velin-plan: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
