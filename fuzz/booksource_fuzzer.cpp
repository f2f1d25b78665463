// The book source parser over arbitrary bytes. Whatever it accepts must be well formed: every
// lesson closed by its end marker, below 65,536 bytes and accepted by the text view; the
// outline closed by its five zero bytes.
#include <cstdlib>
#include <string_view>

#include "textview/lesson_text.h"
#include "tools/booksource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BookSourceParser parser;
    parser.Parse("fuzz.vsrc", std::string_view(reinterpret_cast<const char*>(data), size));
    BookSource book;
    if (!parser.Finish(&book, BookSourceParser::Days::kAllowMissing)) return 0;
    for (const auto& [code, lesson] : book.lessons) {
        if (lesson.size() > static_cast<size_t>(kMaxLessonBytes) || !LessonIsAcceptable(lesson)) {
            std::abort();
        }
        LessonRecordWalker walker(lesson);
        LessonRecord record;
        while (walker.Next(&record)) {
        }
        if (!walker.AtEndMarker() || walker.EndOffset() + 3 != lesson.size()) std::abort();
    }
    const auto& c = book.contents;
    if (c.size() < 5 || c[c.size() - 5] || c[c.size() - 4] || c[c.size() - 3] || c[c.size() - 2] ||
        c[c.size() - 1]) {
        std::abort();
    }
    return 0;
}
