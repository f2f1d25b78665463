// Replays the inputs kept from fuzzing (crashes once found, and the seeds) through the same
// harnesses the fuzz targets run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/book_fuzz.h"

namespace {

void Replay(const char* target, int (*harness)(const uint8_t*, size_t)) {
    namespace fs = std::filesystem;
    for (const char* kind : {"regressions", "corpus"}) {
        fs::path dir = fs::path(VELIN_SOURCE_DIR) / "fuzz" / kind / target;
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            SCOPED_TRACE(entry.path().string());
            std::ifstream file(entry.path(), std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                       std::istreambuf_iterator<char>());
            harness(bytes.data(), bytes.size());
        }
    }
}

TEST(FuzzRegressions, UnCompress) { Replay("uncompress", FuzzUnCompress); }
TEST(FuzzRegressions, LoadLesson) { Replay("load_lesson", FuzzLoadLesson); }

}  // namespace
