// The reader's fixture book: every day of the leap schedule (the only lessons the reader can
// show) with a short lesson naming its day, and on 19 Kislev a long one with a title, a
// heading, numbered notes and rules, long enough to page through.
#pragma once

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "book/book.h"
#include "tools/booksource.h"

namespace velin::app::testing {

inline std::string FixtureBookSource() {
    std::string text = "@schedule leap\n";
    for (int m = 1; m <= ScheduleMonthCount(Schedule::kLeap); ++m) {
        for (int d = 1; d <= ScheduleLastLessonDay(Schedule::kLeap, m); ++d) {
            const std::string day = std::to_string(m) + " " + std::to_string(d);
            text += "@lesson " + day + "\n";
            if (m == 9 && d == 19) {
                text +=
                    ".title The First Day\n"
                    ".heading Of the new year\n"
                    ".p The lesson of the first day opens here, and goes on for a while.\n"
                    ".note 1 A numbered note whose text is long enough to wrap onto a second "
                    "line.\n"
                    ".cont And its continuation.\n"
                    ".rule 50%\n"
                    ".note 2 Another note.\n"
                    ".rule 40\n";
                for (int i = 1; i <= 30; ++i) {
                    text += ".p Paragraph " + std::to_string(i) +
                            " of the first day, with a few more words.\n";
                }
                text += ".p The end of the first day.\n";
            } else {
                text += ".heading Day " + day + "\n.p Lesson of " + day + ".\n";
            }
        }
    }
    // A small table of contents: the Index needs one, and a book must carry it.
    text += "@contents\n* The year\n** Kislev\n*** The first day @ Kislev 19\n";
    return text;
}

// Builds the fixture book into `path`; false (with the errors on stderr) when it cannot.
// With `refused` set, that day's lesson is one the text view refuses (its first record has no
// text), as only a damaged book could carry.
inline bool WriteFixtureBook(const std::string& path, uint16_t refused = 0) {
    BookSource book;
    std::vector<std::string> errors;
    std::map<uint32_t, std::vector<uint8_t>> resources;
    bool parsed = ParseBookSources({{"fixture.vsrc", FixtureBookSource()}}, &book, &errors);
    if (parsed && refused != 0) book.lessons[refused] = {0x81, 0x00, 0x00, 0x81, 0x00, 'x', 0x00, 0, 0, 0};
    if (!parsed || !BuildBookResources(book, &resources, &errors)) {
        for (const auto& e : errors) fprintf(stderr, "%s\n", e.c_str());
        return false;
    }
    const std::vector<uint8_t> image = WriteBookFile(resources);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    return out.good();
}

}  // namespace velin::app::testing
