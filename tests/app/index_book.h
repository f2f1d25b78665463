// A book for the Index scripts: the fixture book's lessons under a table of contents with two
// parts (the first with a label long enough for two rows, two groups and a direct entry) and a
// long third part to scroll through.
#pragma once

#include "fixture_book.h"

namespace velin::app::testing {

inline std::string IndexBookSource() {
    std::string text = FixtureBookSource();
    text.erase(text.find("@contents"));
    text +=
        "@contents\n"
        "* The first part of the year\n"
        "** Kislev\n"
        "*** The first day @ Kislev 19\n"
        "*** The second day @ Kislev 20\n"
        "*** The third day @ Kislev 21\n"
        "** Tevet\n"
        "*** Tevet one @ Tevet 1\n"
        "*** Tevet two @ Tevet 2\n"
        "** A direct day @ Shevat 1\n"
        "* Adar\n";
    for (int d = 1; d <= 20; ++d) {
        text += "** Adar day " + std::to_string(d) + " @ Adar " + std::to_string(d) + "\n";
    }
    return text;
}

inline bool WriteIndexBook(const std::string& path) {
    BookSource book;
    std::vector<std::string> errors;
    std::map<uint32_t, std::vector<uint8_t>> resources;
    if (!ParseBookSources({{"index.vsrc", IndexBookSource()}}, &book, &errors) ||
        !BuildBookResources(book, &resources, &errors)) {
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
