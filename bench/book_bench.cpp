// The book store's speed. Data, in order of preference:
//   1. a book file: $VELIN_BOOK, else the built-in book of this build tree
//      (resources/builtin.vbk): every chunk of every pack, as stored;
//   2. a text file: $VELIN_BENCH_TEXT (for example the Bible text, one verse a line), cut into
//      lesson-sized chunks;
//   3. generated English-like text.
// The output's context line "data" says which was measured.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "book/book.h"

namespace {

struct Chunk {
    std::vector<uint8_t> packed;
    std::vector<uint8_t> plain;
};

struct Corpus {
    std::string description;
    std::vector<Chunk> chunks;
    size_t plainBytes = 0;
    size_t packedBytes = 0;
    size_t largest = 0;
};

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

bool LoadBook(const std::string& path, Corpus* corpus) {
    std::string error;
    auto book = BookFile::Load(path, &error);
    if (!book) return false;
    for (const auto& [id, resource] : book->Resources()) {
        auto pack = WalkPack(resource);
        if (!pack) continue;
        for (const ChunkInfo& c : pack->chunks) {
            Chunk chunk;
            chunk.packed.assign(resource.begin() + c.offset, resource.begin() + c.offset + c.n);
            chunk.plain.resize(c.u);
            if (PalmDocDecode(chunk.packed, chunk.plain).status != DecodeStatus::kOk) continue;
            corpus->chunks.push_back(std::move(chunk));
        }
    }
    corpus->description = "every chunk of the book file " + path;
    return !corpus->chunks.empty();
}

// English-like words with a skewed frequency, so that the text repeats as prose does.
std::vector<uint8_t> GeneratedText(size_t size) {
    static const char* const kWords[] = {
        "the", "and", "of", "to", "that", "in", "he", "shall", "unto", "for", "I", "his", "a",
        "LORD", "they", "be", "is", "him", "not", "them", "it", "with", "all", "thou", "thy",
        "was", "God", "which", "my", "me", "said", "but", "ye", "their", "have", "will", "thee",
        "from", "as", "are", "when", "this", "out", "were", "upon", "man", "by", "you", "Israel",
        "king", "son", "up", "there", "hath", "then", "people", "came", "had", "house", "into",
        "on", "her", "come", "one", "we", "children", "before", "your", "also", "day", "land",
        "men", "let", "go", "Moses", "David", "saying", "against", "earth", "hand", "city",
        "waters", "firmament", "light", "darkness", "morning", "evening", "heaven", "great"};
    std::mt19937 rng(1);
    std::vector<uint8_t> text;
    size_t n = sizeof kWords / sizeof kWords[0];
    while (text.size() < size) {
        double r = std::uniform_real_distribution<double>(0, 1)(rng);
        std::string word = kWords[static_cast<size_t>(r * r * n)];
        word += rng() % 12 == 0 ? ". " : " ";
        text.insert(text.end(), word.begin(), word.end());
    }
    text.resize(size);
    return text;
}

void AddTextChunks(const std::vector<uint8_t>& text, Corpus* corpus) {
    // Lessons of the book are a few kilobytes to 45 KB; 8 KB is typical.
    constexpr size_t kChunk = 8192;
    for (size_t at = 0; at < text.size(); at += kChunk) {
        Chunk chunk;
        chunk.plain.assign(text.begin() + at, text.begin() + std::min(text.size(), at + kChunk));
        chunk.packed = PalmDocCompress(chunk.plain, ParseMode::kOptimal);
        corpus->chunks.push_back(std::move(chunk));
    }
}

const Corpus& GetCorpus() {
    static Corpus corpus = [] {
        Corpus c;
        const char* book = std::getenv("VELIN_BOOK");
        std::string bookPath = book ? book : VELIN_BINARY_DIR "/resources/builtin.vbk";
        const char* textPath = std::getenv("VELIN_BENCH_TEXT");
        std::vector<uint8_t> text;
        if (LoadBook(bookPath, &c)) {
            // described by LoadBook
        } else if (textPath && ReadFile(textPath, &text) && !text.empty()) {
            AddTextChunks(text, &c);
            c.description = "the text file " + std::string(textPath) + " in 8 KB chunks";
        } else {
            AddTextChunks(GeneratedText(4 << 20), &c);
            c.description = "4 MB of generated English-like text in 8 KB chunks";
        }
        for (const Chunk& chunk : c.chunks) {
            c.plainBytes += chunk.plain.size();
            c.packedBytes += chunk.packed.size();
            c.largest = std::max(c.largest, chunk.plain.size());
        }
        c.description += " (" + std::to_string(c.chunks.size()) + " chunks, " +
                         std::to_string(c.plainBytes) + " bytes expanded, " +
                         std::to_string(c.packedBytes) + " stored)";
        return c;
    }();
    return corpus;
}

// Bytes per second of CPU time, in decimal units (the figure reads as MB/s or GB/s).
void SetRate(benchmark::State& state, const char* name, size_t bytesPerIteration) {
    state.counters[name] = benchmark::Counter(static_cast<double>(bytesPerIteration),
                                              benchmark::Counter::kIsIterationInvariantRate,
                                              benchmark::Counter::OneK::kIs1000);
}

// UnCompress of every chunk: allocation, decoding, zero tail; MB/s of output.
void BM_UnCompressCorpus(benchmark::State& state) {
    const Corpus& corpus = GetCorpus();
    for (auto _ : state) {
        for (const Chunk& chunk : corpus.chunks) {
            ByteBuffer out = UnCompress(chunk.packed.data(), chunk.packed.size(), chunk.plain.size());
            benchmark::DoNotOptimize(out.get());
        }
    }
    SetRate(state, "output", corpus.plainBytes);
}
BENCHMARK(BM_UnCompressCorpus);

// The decoder alone into a buffer that is already there.
void BM_PalmDocDecodeCorpus(benchmark::State& state) {
    const Corpus& corpus = GetCorpus();
    std::vector<uint8_t> out(corpus.largest);
    for (auto _ : state) {
        for (const Chunk& chunk : corpus.chunks) {
            DecodeResult r = PalmDocDecode(chunk.packed, std::span(out.data(), chunk.plain.size()));
            benchmark::DoNotOptimize(r);
        }
        benchmark::ClobberMemory();
    }
    SetRate(state, "output", corpus.plainBytes);
}
BENCHMARK(BM_PalmDocDecodeCorpus);

// Baseline: copying the expanded bytes, chunk by chunk, into a fresh buffer each.
void BM_MemcpyCorpus(benchmark::State& state) {
    const Corpus& corpus = GetCorpus();
    for (auto _ : state) {
        for (const Chunk& chunk : corpus.chunks) {
            ByteBuffer out(static_cast<uint8_t*>(AllocBytes(chunk.plain.size() + kZeroTail)));
            std::memcpy(out.get(), chunk.plain.data(), chunk.plain.size());
            benchmark::DoNotOptimize(out.get());
        }
    }
    SetRate(state, "output", corpus.plainBytes);
}
BENCHMARK(BM_MemcpyCorpus);

// The compressor over every chunk; MB/s of input and the ratio (stored / expanded bytes).
void BM_Compress(benchmark::State& state) {
    const Corpus& corpus = GetCorpus();
    ParseMode mode = state.range(0) ? ParseMode::kOptimal : ParseMode::kGreedy;
    size_t packed = 0;
    for (auto _ : state) {
        packed = 0;
        for (const Chunk& chunk : corpus.chunks) packed += PalmDocCompress(chunk.plain, mode).size();
    }
    state.SetLabel(mode == ParseMode::kOptimal ? "optimal" : "greedy");
    SetRate(state, "input", corpus.plainBytes);
    state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(corpus.plainBytes);
}
BENCHMARK(BM_Compress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("data", GetCorpus().description);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
