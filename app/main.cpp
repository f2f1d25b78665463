// velin, the reader.
//
//   velin [/today] [--date YYYY-MM-DD] [--book FILE] [--registry FILE] [--screen WxH]
//         [--scale N] [--os-version X.Y] [--headless --script FILE] [--version]
//
// With a display (or --headless) it runs the reader's window. Without one it prints the date
// caption and the lesson of today (or of --date) as plain text and exits, so that it shows
// something useful on any machine.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/app.h"
#include "resources/builtin_book.h"
#include "tools/book_tool.h"

namespace {

constexpr const char* kUsage =
    "usage: velin [/today] [--date YYYY-MM-DD] [--book FILE] [--registry FILE]\n"
    "             [--screen WxH] [--scale N] [--os-version X.Y] [--headless --script FILE]\n"
    "             [--version]\n"
    "Shows the lesson of the day. Without a display it prints today's caption and lesson.\n";

velin::platform::PlatformOptions g_options;
velin::platform::StartStatus g_startStatus = velin::platform::StartStatus::kOk;

bool StartThePlatform() {
    g_startStatus = velin::platform::StartPlatform(g_options);
    return g_startStatus == velin::platform::StartStatus::kOk;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    if (velin::platform::ParsePlatformOptions(argc, argv, &g_options, &error) !=
        velin::platform::OptionsStatus::kOk) {
        std::cerr << "velin: " << error << "\n" << kUsage;
        return 2;
    }
    std::string date;
    std::string book;
    std::string commandLine;  // what is left: the handheld's command line ("/today")
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) return false;
            *out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--version") {
            std::cout << "velin " << kVersionText << "\n";
            return 0;
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--date") {
            if (!value(&date) || !SetFixedDate(date)) {
                std::cerr << "velin: --date needs a date YYYY-MM-DD of the years 1 to 9999\n";
                return 2;
            }
        } else if (arg == "--book") {
            if (!value(&book)) {
                std::cerr << "velin: --book needs a file\n";
                return 2;
            }
        } else if (arg == "--registry") {
            if (!value(&v)) {
                std::cerr << "velin: --registry needs a file\n";
                return 2;
            }
            SetRegistryFilePath(v);
        } else if (arg == "--os-version") {
            if (!value(&v) || !SetOsVersion(v)) {
                std::cerr << "velin: --os-version needs a version X.Y\n";
                return 2;
            }
        } else if (arg.rfind("--", 0) == 0) {
            std::cerr << "velin: unknown argument '" << arg << "'\n" << kUsage;
            return 2;
        } else {
            if (!commandLine.empty()) commandLine += ' ';
            commandLine += arg;
        }
    }

    if (!g_options.headless && !velin::platform::DesktopAvailable()) {
        // No screen: the lesson as text, as `velin-book lesson` prints it. No day is pinned
        // without the reader's window, so it is today's (or --date's).
        std::vector<std::string> args = {"lesson", date.empty() ? "today" : date};
        if (!book.empty()) {
            args.push_back("--book");
            args.push_back(book);
        }
        return RunBookTool(args, std::cin, std::cout, std::cerr);
    }

    if (!InstallBook(book, &error)) {
        std::cerr << "velin: " << error << "\n";
        return 1;
    }
    const std::u16string line = Utf8ToUtf16(commandLine);
    const int code = ReaderMain(GetModuleHandleW(nullptr), line.c_str(), SW_SHOW, StartThePlatform);
    velin::platform::StopPlatform();
    if (g_startStatus == velin::platform::StartStatus::kBadScript) return 2;
    if (g_startStatus == velin::platform::StartStatus::kNoDisplay) return 1;
    return code;
}
