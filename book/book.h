// book/: the book store. It owns the lesson packs (the container that carries a book's
// compressed lessons and its table of contents), the lookup of one lesson by its day code,
// the PalmDoc-style decompressor and compressor, and the book file (.vbk) that carries the
// packs as numbered raw-data resources.
//
// Everything read here comes from a file that may be damaged or hostile: every length and
// back-reference is checked before use, and a failure is a status the caller sees.
// This folder has no platform dependency; the tool, the benchmarks and the fuzzers link it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Memory. Every buffer the book store hands out comes from AllocBytes, so that tests can make
// an allocation fail; it is released with free() (the ordinary release operation).

void* AllocBytes(size_t size);
// Tests only: the next `count` calls to AllocBytes after `skip` successful ones return null.
void FailNextAllocations(int skip, int count);

struct FreeBytes {
    void operator()(void* p) const { std::free(p); }
};
// A buffer whose ownership passes from the book store to its caller (and on to the text view).
using ByteBuffer = std::unique_ptr<uint8_t[], FreeBytes>;

// ---------------------------------------------------------------------------------------------
// Keys and reason codes of the lesson lookup.

constexpr int kContentsKey = 31767;         // fetches the table of contents
constexpr uint32_t kContentsResourceId = 32767;

constexpr int kReasonNoResource = 1;    // no resource with the computed id
constexpr int kReasonEmptyResource = 2; // resource empty or unloadable, or no memory for output
constexpr int kReasonNoChunk = 3;       // bad chunk index, pack too short, index past the end
constexpr int kReasonNoData = 4;        // chunk without data or with U = 0
constexpr int kReasonBadData = 5;       // the data did not expand to exactly U bytes

// Every buffer returned by UnCompress / LoadLesson holds the U expanded bytes followed by
// kZeroTail zero bytes. A lesson or outline whose data lacks its end marker therefore still
// ends inside the buffer for any record walker: a lesson record needs at most three zero
// bytes (style, parameter, text) and an outline record five (key, style, level, label) to
// reach a zero style byte.
constexpr size_t kZeroTail = 8;

// The message shown when a chunk does not expand to its stated length.
constexpr const char* kUnCompressErrorText = "UnCompress() buffer error!";
// Whoever reports errors (the reader shows a message box, the tool prints) installs a
// reporter; by default the message goes to standard error.
using BookErrorReporter = void (*)(const char* message);
void SetBookErrorReporter(BookErrorReporter reporter);

// ---------------------------------------------------------------------------------------------
// Decompression.

// The low-level decoder: expands at most `outSize` bytes of `in` into `out` and reports how
// far it got. It never reads or writes outside the two spans.
enum class DecodeStatus {
    kOk,             // out is full (the rest of the input, if any, was not needed)
    kInputExhausted, // the input ended (or a token's bytes lay past it) before out was full
    kBadDistance,    // a back-reference of distance 0 or beyond the bytes written
};
struct DecodeResult {
    DecodeStatus status;
    size_t consumed; // input bytes used (on failure: up to the token that failed)
    size_t written;  // output bytes written (on failure: up to the token that failed)
};
DecodeResult PalmDocDecode(std::span<const uint8_t> in, std::span<uint8_t> out);

// Expands one chunk of N compressed bytes into a new buffer of U + kZeroTail bytes.
// Returns null on failure and stores the reason (when `reason` is given): 4 for no data or
// U = 0, 2 when the buffer cannot be allocated, 5 (after reporting kUnCompressErrorText)
// when the data does not fill exactly U bytes or holds a bad back-reference.
ByteBuffer UnCompress(const uint8_t* data, size_t n, size_t u, int* reason = nullptr);

// ---------------------------------------------------------------------------------------------
// Compression (used by the book build).

enum class ParseMode { kGreedy, kOptimal };
// Compresses `in` into the token set that PalmDocDecode reads. kOptimal minimises the output
// size over all parses the format allows; kGreedy takes the longest match at each step.
std::vector<uint8_t> PalmDocCompress(std::span<const uint8_t> in,
                                     ParseMode mode = ParseMode::kOptimal);

// ---------------------------------------------------------------------------------------------
// Resources: where the lookup finds its raw-data (RCDATA) resources. The reader and the tool
// install the book they use (the built-in one or the one --book names).

enum class ResourceStatus { kFound, kMissing, kUnloadable };
class RcDataSource {
public:
    virtual ~RcDataSource() = default;
    // On kFound, `out` views the resource's bytes, valid as long as the source lives.
    virtual ResourceStatus Find(uint32_t id, std::span<const uint8_t>* out) const = 0;
};
// The source LoadLesson reads; null until one is installed (then every lookup gives reason 1).
void SetRcDataSource(const RcDataSource* source);
const RcDataSource* GetRcDataSource();

// ---------------------------------------------------------------------------------------------
// Lesson packs.
//
// A pack: 16-bit big-endian L (length of the chunk area, end marker included), the first and
// last day of the month it covers, then the chunk area: chunks of (N, U, N data bytes), closed
// by four zero bytes. L is 16 bits, so a pack stays under 64 KB.

struct ChunkInfo {
    size_t offset; // of the chunk's data within the pack
    uint16_t n;    // compressed length
    uint16_t u;    // uncompressed length
};
struct PackInfo {
    uint16_t length; // L
    uint16_t firstDay;
    uint16_t lastDay;
    std::vector<ChunkInfo> chunks; // every chunk the lookup can reach, in order
    // The walk is clean: the four zero bytes of the end marker close the L bytes exactly,
    // inside the resource. False when the walk stopped early: an end marker with L bytes left
    // after it, a chunk reaching past L or past the resource, or L too short for the marker.
    bool endMarker;
};
// Walks the chunk headers as the lookup does, without reading outside the pack or beyond L;
// nullopt when the pack is shorter than its 6-byte header.
std::optional<PackInfo> WalkPack(std::span<const uint8_t> pack);

// Builds a pack from already-compressed chunks (data, U). Fails (nullopt, with a message in
// `error`) when a chunk is empty, larger than 65535 bytes or expands to 0 bytes (it could
// never be loaded), or the chunk area exceeds L's 16 bits.
struct CompressedChunk {
    std::vector<uint8_t> data;
    uint16_t u;
};
std::optional<std::vector<uint8_t>> BuildPack(uint16_t firstDay, uint16_t lastDay,
                                              const std::vector<CompressedChunk>& chunks,
                                              std::string* error);

// The resource id and chunk index for a key; false for a key of 0 or below.
struct LessonLocation {
    uint32_t resourceId;
    int chunkIndex;
};
bool LocateLesson(int key, LessonLocation* out);

// Finds the lesson (a DayCode) or the table of contents (kContentsKey) in the installed
// source and expands it. Returns the U bytes plus kZeroTail zero bytes, owned by the caller,
// or null; for a key above 0 the reason is then stored (when given). For a key of 0 or below,
// and on success, the reason is left as it was.
ByteBuffer LoadLesson(int key, int* reason = nullptr);
// The same, and on success stores U, the number of expanded bytes before the zero tail, in
// `*length` (when given), so that a caller can bound its walk over the buffer.
ByteBuffer LoadLesson(int key, int* reason, size_t* length);

// ---------------------------------------------------------------------------------------------
// The book file (.vbk): "VELINBK1", a 32-bit little-endian resource count, then for each
// resource a 32-bit little-endian id, a 32-bit little-endian size and the bytes.

class BookFile : public RcDataSource {
public:
    // Parses a whole file image, keeping a copy of it; nullopt (with a message in `error`)
    // when the magic is wrong, any size does not fit the image, an id appears twice or bytes
    // follow the last resource. Unknown ids are kept and ignored by the lookup; a resource of
    // size 0 is found as kUnloadable.
    static std::optional<BookFile> Parse(std::span<const uint8_t> image, std::string* error);
    // Reads and parses a file; the image is owned by the BookFile.
    static std::optional<BookFile> Load(const std::string& path, std::string* error);
    // Views an image that outlives the BookFile (the built-in book's bytes).
    static std::optional<BookFile> View(std::span<const uint8_t> image, std::string* error);

    ResourceStatus Find(uint32_t id, std::span<const uint8_t>* out) const override;
    const std::map<uint32_t, std::span<const uint8_t>>& Resources() const { return resources_; }

private:
    std::shared_ptr<const std::vector<uint8_t>> owned_;
    std::map<uint32_t, std::span<const uint8_t>> resources_;
};

std::vector<uint8_t> WriteBookFile(const std::map<uint32_t, std::vector<uint8_t>>& resources);
