// The end-to-end harness of the feature scripts (Index, font dialog, clipboard, About box): the
// headless reader run on a script with the box face and the fixture book, its `print` lines,
// and golden screenshots in golden/ (VELIN_UPDATE_GOLDEN=1 rewrites them).
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app_test_support.h"
#include "fixture_book.h"
#include "platform/png.h"
#include "tests/support/golden.h"

namespace velin::app::testing {

using velin::platform::Image;

inline std::string g_book;

struct ReaderRun {
    int exitCode = -1;
    std::string out;
};

inline std::string ReaderCommand(const std::string& dir, const std::string& date,
                                 const std::string& extra) {
    const std::string book = extra.find("--book") == std::string::npos ? " --book " + g_book : "";
    return std::string(VELIN_READER_PATH) + " --headless" + book + " --registry " + dir +
           "/registry.reg" + (date.empty() ? "" : " --date " + date) + " " + extra;
}

// Runs the reader on a script; standard output and error together.
inline ReaderRun RunReader(const std::string& dir, const std::string& date,
                           const std::string& script, const std::string& extra = "") {
    const std::string path = dir + "/script.txt";
    std::ofstream(path, std::ios::trunc) << script;
    const std::string cmd = ReaderCommand(dir, date, "--script " + path + " " + extra) + " 2>&1";
    ReaderRun run;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return run;
    std::array<char, 4096> buf;
    size_t got;
    while ((got = fread(buf.data(), 1, buf.size(), p)) > 0) run.out.append(buf.data(), got);
    const int status = pclose(p);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The value of `key` in a `state` line.
inline std::string Field(const std::string& line, const std::string& key) {
    const std::string k = " " + key + "=";
    size_t at = (" " + line).find(k);
    if (at == std::string::npos) return "<none>";
    at += k.size() - 1;
    if (line[at] == '"') return line.substr(at, line.find('"', at + 1) - at + 1);
    const size_t end = line.find(' ', at);
    return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

inline ::testing::AssertionResult MatchesGolden(const std::string& shot, const std::string& name) {
    Image actual;
    if (!velin::platform::ReadPng(shot, &actual)) {
        return ::testing::AssertionFailure() << "no screenshot " << shot;
    }
    return velin::testing::MatchesGoldenImage(actual, "tests/app", name);
}

class FeatureTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        g_book = TempDir("e2e-book") + "/fixture.vbk";
        ASSERT_TRUE(WriteFixtureBook(g_book));
        setenv("VELIN_DEFAULT_FONT", "Velin Test", 1);
    }
    void SetUp() override {
        dir_ = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        SetRegistryFilePath(dir_ + "/registry.reg");
    }
    // The settings file holds these switches (under software\Ostrelle) and settings.
    void Settings(const std::string& switches, const std::string& settings = "") {
        UseSettings(dir_, settings, switches);
    }
    std::string dir_;
};

// 19 Kislev 5768, the first day of a leap study year, is 29 November 2007.
inline constexpr const char* kFirstDay = "2007-11-29";

}  // namespace velin::app::testing
