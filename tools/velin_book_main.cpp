// velin-book: builds, checks and reads books; converts dates. See tools/book_tool.h.
#include <iostream>
#include <string>
#include <vector>

#include "tools/book_tool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunBookTool(args, std::cin, std::cout, std::cerr);
}
