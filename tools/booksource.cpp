#include "tools/booksource.h"

#include <algorithm>
#include <cstdio>

#include "book/book.h"

namespace {

// Month lengths of the two schedules, Nisan first. Adar (12) is Adar I in the leap schedule.
constexpr int kLeapMonthDays[14] = {0, 30, 29, 30, 29, 30, 29, 30, 30, 30, 29, 30, 30, 29};
constexpr int kCommonMonthDays[14] = {0, 30, 29, 30, 29, 30, 29, 30, 30, 30, 29, 30, 29, 0};

constexpr const char* kMonthNames[14] = {"",      "Nisan",  "Iyar",   "Sivan",    "Tammuz",
                                         "Av",    "Elul",   "Tishri", "Cheshvan", "Kislev",
                                         "Tevet", "Shevat", "Adar",   "Adar II"};

constexpr uint8_t kStyleGap = 0x80;
constexpr uint8_t kStyleAlignMask = 0x60;
constexpr uint8_t kRuleKey = 0x07;
constexpr uint8_t kParamIndentMask = 0x3F;
constexpr uint8_t kParamLabelMask = 0xC0;

bool IsRuleStyle(uint8_t style) { return (style & kRuleKey) == kRuleKey; }

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// Digits only, no sign, at most `max`.
bool ParseNumber(std::string_view s, int base, int max, int* value) {
    if (base == 16 && s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
    }
    if (s.empty() || s.size() > 6) return false;
    int v = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else {
            return false;
        }
        v = v * base + d;
    }
    if (v > max) return false;
    *value = v;
    return true;
}

// A month by name ("Kislev", "AdarII", "Adar II", "AdarI") or by number 1 to 13.
int ParseMonth(std::string_view s) {
    std::string compact;
    for (char c : s) {
        if (c != ' ') compact.push_back(c);
    }
    int number;
    if (ParseNumber(compact, 10, 99, &number)) return number >= 1 && number <= 13 ? number : 0;
    if (EqualsIgnoreCase(compact, "AdarI")) return 12;
    for (int m = 1; m <= 13; ++m) {
        std::string name;
        for (const char* p = kMonthNames[m]; *p; ++p) {
            if (*p != ' ') name.push_back(*p);
        }
        if (EqualsIgnoreCase(compact, name)) return m;
    }
    return 0;
}

const char* ScheduleWord(Schedule schedule) {
    return schedule == Schedule::kLeap ? "leap" : "common";
}

std::string DayName(int month, int day) { return std::to_string(day) + " " + MonthName(month); }

std::string DayCodeName(uint16_t code) {
    std::string name = DayName((code >> 8) & 0x0F, code & 0xFF);
    name += (code & kLeapDayCodeFlag) ? " (leap schedule)" : " (common schedule)";
    return name;
}

std::string WithThousands(size_t n) {
    std::string digits = std::to_string(n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

// Decodes one line of UTF-8 into book bytes (each code point U+0001..U+00FF becomes the byte of
// the same value). Returns false with a message at the first character that cannot be stored.
bool DecodeLine(std::string_view in, std::string* out, std::string* message) {
    out->clear();
    size_t i = 0;
    while (i < in.size()) {
        uint8_t b = static_cast<uint8_t>(in[i]);
        uint32_t cp;
        size_t len;
        if (b < 0x80) {
            cp = b;
            len = 1;
        } else if (b >= 0xC2 && b <= 0xDF) {
            cp = b & 0x1F;
            len = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            cp = b & 0x0F;
            len = 3;
        } else if (b >= 0xF0 && b <= 0xF4) {
            cp = b & 0x07;
            len = 4;
        } else {
            *message = "the line is not valid UTF-8";
            return false;
        }
        if (i + len > in.size()) {
            *message = "the line is not valid UTF-8";
            return false;
        }
        for (size_t k = 1; k < len; ++k) {
            uint8_t c = static_cast<uint8_t>(in[i + k]);
            if ((c & 0xC0) != 0x80) {
                *message = "the line is not valid UTF-8";
                return false;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
        if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) {
            *message = "the line is not valid UTF-8";
            return false;
        }
        char hex[16];
        if (cp > 0xFF) {
            std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(cp));
            *message = std::string("the character ") + hex +
                       " is outside the book's 8-bit character set (U+0001 to U+00FF)";
            return false;
        }
        if (cp < 0x20 && cp != '\t') {
            std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(cp));
            *message = std::string("the control character ") + hex + " is not allowed";
            return false;
        }
        out->push_back(static_cast<char>(cp));
        i += len;
    }
    return true;
}

// Applies the options in braces to a record, in their order. Rules keep their font key.
bool ApplyOptions(std::string_view options, bool isRule, uint8_t* style, uint8_t* parameter,
                  std::string* message) {
    while (true) {
        size_t comma = options.find(',');
        std::string_view option = TrimSpaces(options.substr(0, comma));
        std::string_view name = option.substr(0, option.find('='));
        bool hasValue = option.find('=') != std::string_view::npos;
        std::string_view value = hasValue ? option.substr(option.find('=') + 1) : "";
        int v = 0;
        bool fontOption = name == "small" || name == "large" || name == "bold";
        if (option.empty()) {
            *message = "an empty option";
            return false;
        }
        if (isRule && (fontOption || name == "indent" || name == "label")) {
            *message = "the option '" + std::string(option) + "' does not apply to a rule";
            return false;
        }
        if (hasValue != (name == "indent" || name == "label")) {
            *message = "unknown option '" + std::string(option) + "'";
            return false;
        }
        if (name == "small") {
            *style = static_cast<uint8_t>((*style & ~0x05) | 0x02);
        } else if (name == "large") {
            *style = static_cast<uint8_t>((*style & ~0x03) | 0x04);
        } else if (name == "bold") {
            *style |= 0x08;
        } else if (name == "left" || name == "right" || name == "center") {
            uint8_t align = name == "left" ? 0x00 : name == "right" ? 0x20 : 0x40;
            *style = static_cast<uint8_t>((*style & ~kStyleAlignMask) | align);
        } else if (name == "gap") {
            *style |= kStyleGap;
        } else if (name == "nogap") {
            *style &= static_cast<uint8_t>(~kStyleGap);
        } else if (name == "indent") {
            if (!ParseNumber(value, 10, 63, &v)) {
                *message = "indent=" + std::string(value) + ": the indent is 0 to 63 pixels";
                return false;
            }
            *parameter = static_cast<uint8_t>((*parameter & kParamLabelMask) | v);
        } else if (name == "label") {
            if (!ParseNumber(value, 10, 3, &v)) {
                *message = "label=" + std::string(value) + ": the label class is 0 to 3";
                return false;
            }
            *parameter = static_cast<uint8_t>((*parameter & kParamIndentMask) | (v << 6));
        } else {
            *message = "unknown option '" + std::string(option) + "'";
            return false;
        }
        if (comma == std::string_view::npos) return true;
        options.remove_prefix(comma + 1);
    }
}

// "MONTH DAY" of a lesson or a leaf. Returns false with a message when the day does not exist
// in the schedule.
bool ParseDay(std::string_view s, Schedule schedule, int* month, int* day, std::string* message) {
    s = TrimSpaces(s);
    size_t space = s.rfind(' ');
    if (space == std::string_view::npos) {
        *message = "expected a month and a day, e.g. 'Kislev 19'";
        return false;
    }
    int m = ParseMonth(TrimSpaces(s.substr(0, space)));
    if (m == 0) {
        *message = "unknown month '" + std::string(TrimSpaces(s.substr(0, space))) + "'";
        return false;
    }
    if (ScheduleMonthLength(schedule, m) == 0) {
        *message =
            "the " + std::string(ScheduleWord(schedule)) + " schedule has no " + MonthName(m);
        return false;
    }
    int d;
    int last = ScheduleLastLessonDay(schedule, m);
    if (!ParseNumber(s.substr(space + 1), 10, 999, &d) || d < 1 || d > last) {
        *message = "the day '" + std::string(s.substr(space + 1)) + "' is not a day of " +
                   MonthName(m) + " (1 to " + std::to_string(last) + ")";
        return false;
    }
    *month = m;
    *day = d;
    return true;
}

}  // namespace

int ScheduleMonthLength(Schedule schedule, int month) {
    if (month < 1 || month > 13) return 0;
    return schedule == Schedule::kLeap ? kLeapMonthDays[month] : kCommonMonthDays[month];
}

int ScheduleLastLessonDay(Schedule schedule, int month) {
    int length = ScheduleMonthLength(schedule, month);
    if (length != 0 && (month == 8 || month == 9)) return 31;
    return length;
}

int ScheduleMonthCount(Schedule schedule) { return schedule == Schedule::kLeap ? 13 : 12; }

uint16_t ScheduleDayCode(Schedule schedule, int month, int day) {
    uint16_t code = static_cast<uint16_t>((month << 8) | day);
    return schedule == Schedule::kLeap ? static_cast<uint16_t>(code | kLeapDayCodeFlag) : code;
}

std::string MonthName(int month) {
    if (month < 1 || month > 13) return "month " + std::to_string(month);
    return kMonthNames[month];
}

uint32_t PackResourceId(Schedule schedule, int month, int pack) {
    int leap = schedule == Schedule::kLeap ? 1 : 0;
    return static_cast<uint32_t>(1000 + 3 * (month + 16 * leap) + pack - 2);
}

int PackFirstDay(int pack) { return 1 + 11 * pack; }

int PackLastLessonDay(Schedule schedule, int month, int pack) {
    return pack < 2 ? 11 * (pack + 1) : ScheduleLastLessonDay(schedule, month);
}

int PackLastDayField(Schedule schedule, int month, int pack) {
    return pack < 2 ? 11 * (pack + 1) : ScheduleMonthLength(schedule, month);
}

void BookSourceParser::Error(const Place& place, const std::string& message) {
    if (place.line > 0) {
        errors_.push_back(place.file + ":" + std::to_string(place.line) + ": " + message);
    } else {
        errors_.push_back(place.file + ": " + message);
    }
}

void BookSourceParser::Parse(std::string_view fileName, std::string_view text) {
    Place place{std::string(fileName), 0};
    // A byte-order mark at the start is not text.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        ++place.line;
        std::string bytes, message;
        if (!DecodeLine(text.substr(start, end - start), &bytes, &message)) {
            Error(place, message);
        } else {
            std::string_view line = TrimSpaces(bytes);
            if (line.find('\t') != std::string_view::npos) {
                Error(place, "the control character U+0009 (tab) is not allowed");
            } else if (!line.empty() && line.front() != '#') {
                ParseLine(place, line);
            }
        }
        start = end + 1;
    }
    // A lesson ends with its file.
    CloseLesson();
    section_ = Section::kNone;
}

void BookSourceParser::ParseLine(const Place& place, std::string_view line) {
    switch (line.front()) {
        case '@':
            ParseDirective(place, line);
            break;
        case '.':
            ParseRecord(place, line);
            break;
        case '*':
            ParseOutline(place, line);
            break;
        default:
            Error(place, "expected a statement ('@', '.' or '*') or a comment ('#')");
    }
}

void BookSourceParser::ParseDirective(const Place& place, std::string_view line) {
    size_t space = line.find(' ');
    std::string_view word = line.substr(0, space);
    std::string_view argument =
        space == std::string_view::npos ? std::string_view() : TrimSpaces(line.substr(space));
    if (word == "@schedule") {
        CloseLesson();
        section_ = Section::kNone;
        if (argument == "leap") {
            schedule_ = Schedule::kLeap;
        } else if (argument == "common") {
            schedule_ = Schedule::kCommon;
        } else {
            Error(place, "@schedule takes 'leap' or 'common'");
        }
    } else if (word == "@lesson") {
        CloseLesson();
        section_ = Section::kLesson;
        int month, day;
        std::string message;
        lesson_ = Lesson{};
        lesson_.place = place;
        if (!ParseDay(argument, schedule_, &month, &day, &message)) {
            Error(place, "@lesson: " + message);
            haveLesson_ = false;
            return;
        }
        lessonCode_ = ScheduleDayCode(schedule_, month, day);
        scheduleFirstUse_.emplace(schedule_, place);
        auto found = lessons_.find(lessonCode_);
        if (found != lessons_.end()) {
            Error(place, "a second lesson for " + DayCodeName(lessonCode_) + "; the first is at " +
                             found->second.place.file + ":" +
                             std::to_string(found->second.place.line));
            haveLesson_ = false;
            return;
        }
        haveLesson_ = true;
    } else if (word == "@contents") {
        CloseLesson();
        if (!argument.empty()) Error(place, "@contents takes nothing after it");
        if (contentsSeen_) {
            Error(place, "a second @contents; the first is at " + contentsPlace_.file + ":" +
                             std::to_string(contentsPlace_.line));
        } else {
            contentsSeen_ = true;
            contentsPlace_ = place;
        }
        section_ = Section::kContents;
    } else {
        Error(place, "unknown statement '" + std::string(word) + "'");
    }
}

void BookSourceParser::ParseRecord(const Place& place, std::string_view line) {
    if (section_ != Section::kLesson) {
        Error(place, "a record outside a lesson (start one with @lesson MONTH DAY)");
        return;
    }
    size_t wordEnd = line.find_first_of(" {");
    std::string_view word = line.substr(0, wordEnd);
    std::string_view rest = wordEnd == std::string_view::npos ? "" : line.substr(wordEnd);
    std::string_view options;
    bool hasOptions = !rest.empty() && rest.front() == '{';
    if (hasOptions) {
        size_t close = rest.find('}');
        if (close == std::string_view::npos) {
            Error(place, "the options of " + std::string(word) + " lack their closing '}'");
            return;
        }
        options = rest.substr(1, close - 1);
        rest = rest.substr(close + 1);
        if (!rest.empty() && rest.front() != ' ') {
            Error(place, "expected a space after the options of " + std::string(word));
            return;
        }
    }
    std::string_view argument = TrimSpaces(rest);

    uint8_t style = 0, parameter = 0;
    std::string text;
    if (word == ".title" || word == ".heading" || word == ".p") {
        style = word == ".title" ? 0xCC : word == ".heading" ? 0xC1 : 0x81;
        text = argument;
    } else if (word == ".note") {
        style = 0x81;
        parameter = 0x40;
        if (argument.empty()) {
            Error(place, ".note needs a label, e.g. '.note 3 text'");
            return;
        }
        text = argument;
    } else if (word == ".cont") {
        style = 0x81;
        parameter = 0x40;
        if (argument.empty()) {
            Error(place, ".cont needs text");
            return;
        }
        // The leading space is what makes the record continue the note before it.
        text = " " + std::string(argument);
    } else if (word == ".rule") {
        style = 0xC7;
        int value;
        if (argument == "0") {
            parameter = 0;
        } else if (!argument.empty() && argument.back() == '%') {
            if (!ParseNumber(argument.substr(0, argument.size() - 1), 10, 190, &value) ||
                value < 2 || value % 2 != 0) {
                Error(place, ".rule " + std::string(argument) +
                                 ": a length in percent is even, 2% to 190%");
                return;
            }
            parameter = static_cast<uint8_t>(160 + value / 2);
        } else if (ParseNumber(argument, 10, 160, &value) && value >= 1) {
            parameter = static_cast<uint8_t>(value);
        } else {
            Error(place, ".rule '" + std::string(argument) +
                             "': the length is 0, 1 to 160 pixels, or N% of the width");
            return;
        }
    } else if (word == ".raw") {
        if (hasOptions) {
            Error(place, ".raw takes no options; its style and parameter say everything");
            return;
        }
        size_t s1 = argument.find(' ');
        std::string_view styleText = argument.substr(0, s1);
        std::string_view after =
            s1 == std::string_view::npos ? "" : TrimSpaces(argument.substr(s1));
        size_t s2 = after.find(' ');
        std::string_view parameterText = after.substr(0, s2);
        int s, p;
        if (!ParseNumber(styleText, 16, 0xFF, &s) || !ParseNumber(parameterText, 16, 0xFF, &p)) {
            Error(place,
                  ".raw needs a style and a parameter in hexadecimal, e.g. '.raw 0x22 0x00 "
                  "text'");
            return;
        }
        if (s == 0) {
            Error(place, ".raw: a style of 0 is the end marker, not a record");
            return;
        }
        style = static_cast<uint8_t>(s);
        parameter = static_cast<uint8_t>(p);
        // Only the one space after the parameter separates; the rest is the text as written.
        if (s2 != std::string_view::npos) text = after.substr(s2 + 1);
        if (IsRuleStyle(style) && !text.empty()) {
            Error(place, ".raw: a rule record (style & 7 = 7) has no text");
            return;
        }
    } else {
        Error(place, "unknown record '" + std::string(word) + "'");
        return;
    }
    if (hasOptions) {
        std::string message;
        if (!ApplyOptions(options, IsRuleStyle(style), &style, &parameter, &message)) {
            Error(place, std::string(word) + ": " + message);
            return;
        }
    }
    if (!haveLesson_) return;  // the @lesson line was wrong and has been reported
    if (lesson_.recordCount == 0) {
        lesson_.firstIsRuleOrHasText = IsRuleStyle(style) || !text.empty();
        if (!lesson_.firstIsRuleOrHasText) {
            Error(place, "the first record of a lesson must have text or be a rule");
        }
    }
    ++lesson_.recordCount;
    lesson_.bytes.push_back(style);
    lesson_.bytes.push_back(parameter);
    lesson_.bytes.insert(lesson_.bytes.end(), text.begin(), text.end());
    lesson_.bytes.push_back(0);
}

void BookSourceParser::CloseLesson() {
    if (section_ != Section::kLesson || !haveLesson_) {
        haveLesson_ = false;
        return;
    }
    haveLesson_ = false;
    const std::string name = DayCodeName(lessonCode_);
    if (lesson_.recordCount == 0) {
        Error(lesson_.place, "the lesson of " + name + " has no records");
    }
    // The end marker: style 0, parameter 0, empty text.
    lesson_.bytes.insert(lesson_.bytes.end(), {0, 0, 0});
    if (lesson_.bytes.size() > static_cast<size_t>(kMaxLessonBytes)) {
        Error(lesson_.place, "the lesson of " + name + " is " +
                                 WithThousands(lesson_.bytes.size()) +
                                 " bytes; a lesson must stay below 65,536 bytes");
    }
    lessons_.emplace(lessonCode_, std::move(lesson_));
    lesson_ = Lesson{};
}

void BookSourceParser::ParseOutline(const Place& place, std::string_view line) {
    if (section_ != Section::kContents) {
        Error(place, "an outline entry outside @contents");
        return;
    }
    int level = 0;
    while (level < static_cast<int>(line.size()) && line[level] == '*') ++level;
    std::string_view rest = line.substr(level);
    if (level > 3) {
        Error(place, "level " + std::to_string(level) + ": the outline has levels 1 to 3");
        return;
    }
    if (!rest.empty() && rest.front() != ' ') {
        Error(place, "expected a space after the stars");
        return;
    }
    if (level > previousLevel_ + 1) {
        Error(place,
              "a level-" + std::to_string(level) + " entry cannot follow " +
                  (previousLevel_ == 0 ? std::string("the start of the outline")
                                       : "a level-" + std::to_string(previousLevel_) + " entry"));
        return;
    }
    previousLevel_ = level;

    uint16_t key;
    uint8_t style;
    std::string_view label;
    // The stars are followed by a space, so " @ " finds a leaf even when its label is empty.
    size_t at = rest.rfind(" @ ");
    bool leaf = at != std::string_view::npos;
    if (leaf) {
        label = TrimSpaces(rest.substr(0, at));
        int month, day;
        std::string message;
        if (!ParseDay(rest.substr(at + 3), Schedule::kLeap, &month, &day, &message)) {
            Error(place, "leaf: " + message);
            return;
        }
        uint16_t code = ScheduleDayCode(Schedule::kLeap, month, day);
        key = static_cast<uint16_t>(kLeafKeyFlag | code);
        style = level == 1 ? 0x81 : 0x01;
        leaves_.push_back({code, place});
    } else {
        label = TrimSpaces(rest);
        // Branch keys stay clear of lesson keys in their low 14 bits: day codes never exceed
        // 0x1D1F, so the countdown may not reach 0x9D1F.
        if (nextBranchKey_ <= 0x9D1F) {
            Error(place, "too many branches in the outline");
            return;
        }
        key = static_cast<uint16_t>(nextBranchKey_--);
        style = level == 1 ? 0x8C : 0x01;
    }
    if (label.empty()) {
        Error(place, "an outline entry needs a label");
        return;
    }
    contents_.push_back(static_cast<uint8_t>(key & 0xFF));
    contents_.push_back(static_cast<uint8_t>(key >> 8));
    contents_.push_back(style);
    contents_.push_back(static_cast<uint8_t>(level));
    contents_.insert(contents_.end(), label.begin(), label.end());
    contents_.push_back(0);
}

bool BookSourceParser::Finish(BookSource* out, Days days) {
    CloseLesson();
    section_ = Section::kNone;
    // Every day of a schedule that has lessons, exactly once.
    for (const auto& [schedule, place] : scheduleFirstUse_) {
        if (days == Days::kAllowMissing) break;
        std::vector<std::string> missing;
        for (int m = 1; m <= ScheduleMonthCount(schedule); ++m) {
            for (int d = 1; d <= ScheduleLastLessonDay(schedule, m); ++d) {
                if (!lessons_.count(ScheduleDayCode(schedule, m, d))) {
                    missing.push_back(DayName(m, d));
                }
            }
        }
        constexpr size_t kListed = 10;
        for (size_t i = 0; i < missing.size() && i < kListed; ++i) {
            Error(Place{place.file, 0}, "the " + std::string(ScheduleWord(schedule)) +
                                            " schedule has no lesson for " + missing[i]);
        }
        if (missing.size() > kListed) {
            Error(Place{place.file, 0}, "... and " + std::to_string(missing.size() - kListed) +
                                            " more days of the " + ScheduleWord(schedule) +
                                            " schedule have no lesson");
        }
    }
    if (lessons_.empty() && errors_.empty()) {
        errors_.push_back("the book has no lessons (start one with @lesson MONTH DAY)");
    }
    if (!contentsSeen_) {
        errors_.push_back("the book has no table of contents (@contents)");
    }
    for (const Leaf& leaf : leaves_) {
        if (!lessons_.count(leaf.dayCode)) {
            Error(leaf.place,
                  "the leaf opens " + DayCodeName(leaf.dayCode) + ", which has no lesson");
        }
    }
    std::vector<uint8_t> contents = contents_;
    contents.insert(contents.end(), 5, 0);  // the end record
    if (contentsSeen_ && contents.size() > static_cast<size_t>(kMaxLessonBytes)) {
        Error(contentsPlace_, "the table of contents is " + WithThousands(contents.size()) +
                                  " bytes; it must stay below 65,536 bytes");
    }
    if (!errors_.empty()) return false;
    out->lessons.clear();
    out->lessonPlaces.clear();
    for (auto& [code, lesson] : lessons_) {
        out->lessonPlaces[code] = lesson.place.file + ":" + std::to_string(lesson.place.line);
        out->lessons[code] = std::move(lesson.bytes);
    }
    lessons_.clear();
    out->contents = std::move(contents);
    out->hasContents = contentsSeen_;
    return true;
}

bool ParseBookSources(const std::vector<SourceFile>& files, BookSource* out,
                      std::vector<std::string>* errors) {
    BookSourceParser parser;
    for (const SourceFile& file : files) parser.Parse(file.name, file.text);
    bool ok = parser.Finish(out);
    errors->insert(errors->end(), parser.Errors().begin(), parser.Errors().end());
    return ok;
}

bool BuildBookResources(const BookSource& book, std::map<uint32_t, std::vector<uint8_t>>* out,
                        std::vector<std::string>* errors) {
    bool ok = true;
    auto compress = [](const std::vector<uint8_t>& bytes) {
        CompressedChunk chunk;
        chunk.data = PalmDocCompress(bytes, ParseMode::kOptimal);
        chunk.u = static_cast<uint16_t>(bytes.size());
        return chunk;
    };
    for (Schedule schedule : {Schedule::kLeap, Schedule::kCommon}) {
        bool used = false;
        for (const auto& entry : book.lessons) {
            used |= ((entry.first & kLeapDayCodeFlag) != 0) == (schedule == Schedule::kLeap);
        }
        if (!used) continue;
        for (int m = 1; m <= ScheduleMonthCount(schedule); ++m) {
            for (int pack = 0; pack < 3; ++pack) {
                uint32_t id = PackResourceId(schedule, m, pack);
                int first = PackFirstDay(pack), last = PackLastLessonDay(schedule, m, pack);
                std::string name = "pack " + std::to_string(id) + " (" + MonthName(m) + " " +
                                   std::to_string(first) + "-" + std::to_string(last) + ", " +
                                   ScheduleWord(schedule) + " schedule)";
                std::vector<CompressedChunk> chunks;
                bool complete = true;
                for (int d = first; d <= last; ++d) {
                    auto lesson = book.lessons.find(ScheduleDayCode(schedule, m, d));
                    if (lesson == book.lessons.end() || lesson->second.empty() ||
                        lesson->second.size() > static_cast<size_t>(kMaxLessonBytes)) {
                        errors->push_back(name + ": no usable lesson for " + DayName(m, d));
                        complete = false;
                        continue;
                    }
                    chunks.push_back(compress(lesson->second));
                }
                if (!complete) {
                    ok = false;
                    continue;
                }
                std::string error;
                auto built = BuildPack(static_cast<uint16_t>(first),
                                       static_cast<uint16_t>(PackLastDayField(schedule, m, pack)),
                                       chunks, &error);
                if (!built) {
                    auto place = book.lessonPlaces.find(ScheduleDayCode(schedule, m, first));
                    std::string where =
                        place == book.lessonPlaces.end() ? "" : place->second + ": ";
                    size_t area = 4;
                    for (const auto& chunk : chunks) area += 4 + chunk.data.size();
                    errors->push_back(where + name + ": " + error + " (its chunk area is " +
                                      WithThousands(area) + " bytes compressed)");
                    ok = false;
                    continue;
                }
                (*out)[id] = std::move(*built);
            }
        }
    }
    if (book.hasContents) {
        std::string error;
        auto built =
            BuildPack(kContentsFirstDay, kContentsLastDay, {compress(book.contents)}, &error);
        if (!built) {
            errors->push_back("the table of contents: " + error);
            ok = false;
        } else {
            (*out)[kContentsResourceId] = std::move(*built);
        }
    }
    return ok;
}
