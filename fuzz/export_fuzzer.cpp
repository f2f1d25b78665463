// The clipboard's export conversion on arbitrary lessons: the text always fits the size
// computed for it, ends with its zero code unit inside the buffer, and has as many line ends as
// the records ask for.
#include <cstdlib>
#include <vector>

#include "textview/lesson_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> lesson(data, size);
    const size_t bytes = ExportBufferSize(lesson);
    if (bytes % 2 != 0 || bytes < 2) abort();
    // Exactly the computed size, so that the sanitizer sees any write past it.
    std::vector<char16_t> buffer(bytes / 2);
    if (ConvertForExport(lesson, buffer.data(), bytes) != kExportOk) abort();
    size_t length = 0;
    while (length < buffer.size() && buffer[length] != 0) ++length;
    if (length == buffer.size()) abort();
    ExportCounts counts;
    const size_t lineEnds = CountExportSize(lesson, &counts);
    size_t crlf = 0;
    for (size_t i = 0; i + 1 < length; ++i) crlf += buffer[i] == u'\r' && buffer[i + 1] == u'\n';
    if (crlf < lineEnds) abort();
    return 0;
}
