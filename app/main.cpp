// The reader's entry. Until the reader's window arrives, `velin` prints the caption and the
// lesson of today (or of --date) from the built-in book (or --book FILE) as plain text, which
// is also what it will do on a machine without a display.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "tools/book_tool.h"

namespace {

constexpr const char* kUsage =
    "usage: velin [/today] [--date YYYY-MM-DD] [--book FILE]\n"
    "Prints the date caption and the lesson of today (or of the given date) as plain text.\n";

}  // namespace

int main(int argc, char** argv) {
    std::string date = "today";
    std::string book;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if ((arg == "--date" || arg == "--book") && i + 1 < argc) {
            (arg == "--date" ? date : book) = argv[++i];
        } else if (strcasecmp(arg.c_str(), "/today") == 0) {
            date = "today";  // no day is pinned without the reader's settings: today it is
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else {
            std::cerr << "velin: unknown argument '" << arg << "'\n" << kUsage;
            return 2;
        }
    }
    std::vector<std::string> args = {"lesson", date};
    if (!book.empty()) {
        args.push_back("--book");
        args.push_back(book);
    }
    return RunBookTool(args, std::cin, std::cout, std::cerr);
}
