// Lesson packs and the lookup of one lesson. A pack comes from a book file, so the walk over
// its chunk headers trusts nothing: it stays inside both the resource and the L bytes that the
// pack's header claims, whichever ends first.
#include <string>

#include "book/book.h"
#include "book/byte_reader.h"

namespace {

constexpr size_t kPackHeaderSize = 6;
constexpr size_t kChunkHeaderSize = 4;
constexpr size_t kEndMarkerSize = 4;

// Steps over the chunks of a pack in order. The walk ends at the end marker, when four or
// fewer of the L bytes remain, or at the first chunk whose header or data would reach past L
// or past the resource.
class PackCursor {
public:
    enum class Stop { kNone, kEndMarker, kAreaExhausted, kChunkPastEnd };

    explicit PackCursor(std::span<const uint8_t> pack) : pack_(pack) {
        ByteReader header(pack);
        length_ = header.ReadU16BE();
        firstDay_ = header.ReadU16BE();
        lastDay_ = header.ReadU16BE();
        valid_ = header.ok();
        remaining_ = length_;
        pos_ = kPackHeaderSize;
    }

    bool valid() const { return valid_; }
    uint16_t length() const { return length_; }
    uint16_t firstDay() const { return firstDay_; }
    uint16_t lastDay() const { return lastDay_; }
    size_t position() const { return pos_; }
    size_t remaining() const { return remaining_; }
    Stop stop() const { return stop_; }

    // The next chunk, or false when the walk ends (stop() says why).
    bool Next(ChunkInfo* chunk) {
        if (!valid_ || stop_ != Stop::kNone) return false;
        if (remaining_ <= kEndMarkerSize) {
            stop_ = Stop::kAreaExhausted;
            return false;
        }
        ByteReader reader(pack_.subspan(pos_));  // pos_ never passes the pack's end
        uint16_t n = reader.ReadU16BE();
        uint16_t u = reader.ReadU16BE();
        if (!reader.ok()) {
            stop_ = Stop::kChunkPastEnd;  // L claims bytes the resource does not have
            return false;
        }
        if (n == 0) {
            stop_ = Stop::kEndMarker;
            return false;
        }
        // remaining_ > 4 here, so the subtraction cannot wrap.
        if (n > remaining_ - kChunkHeaderSize || reader.remaining() < n) {
            stop_ = Stop::kChunkPastEnd;
            return false;
        }
        chunk->offset = pos_ + kChunkHeaderSize;
        chunk->n = n;
        chunk->u = u;
        pos_ += kChunkHeaderSize + n;
        remaining_ -= kChunkHeaderSize + n;
        return true;
    }

private:
    std::span<const uint8_t> pack_;
    uint16_t length_ = 0;
    uint16_t firstDay_ = 0;
    uint16_t lastDay_ = 0;
    bool valid_ = false;
    size_t remaining_ = 0;  // of the L bytes, from pos_ on
    size_t pos_ = 0;
    Stop stop_ = Stop::kNone;
};

}  // namespace

std::optional<PackInfo> WalkPack(std::span<const uint8_t> pack) {
    PackCursor cursor(pack);
    if (!cursor.valid()) return std::nullopt;
    PackInfo info;
    info.length = cursor.length();
    info.firstDay = cursor.firstDay();
    info.lastDay = cursor.lastDay();
    ChunkInfo chunk;
    while (cursor.Next(&chunk)) info.chunks.push_back(chunk);
    // Clean only when the four zero bytes close the L bytes exactly, inside the resource.
    size_t pos = cursor.position();
    info.endMarker = false;
    if (cursor.remaining() == kEndMarkerSize && pack.size() - pos >= kEndMarkerSize) {
        info.endMarker = pack[pos] == 0 && pack[pos + 1] == 0 && pack[pos + 2] == 0 &&
                         pack[pos + 3] == 0;
    }
    return info;
}

std::optional<std::vector<uint8_t>> BuildPack(uint16_t firstDay, uint16_t lastDay,
                                              const std::vector<CompressedChunk>& chunks,
                                              std::string* error) {
    auto fail = [error](std::string message) {
        if (error) *error = std::move(message);
        return std::nullopt;
    };
    size_t area = kEndMarkerSize;
    for (size_t i = 0; i < chunks.size(); i++) {
        const CompressedChunk& c = chunks[i];
        if (c.data.empty()) return fail("chunk " + std::to_string(i) + " has no data");
        if (c.data.size() > 0xFFFF) {
            return fail("chunk " + std::to_string(i) + " has " + std::to_string(c.data.size()) +
                        " compressed bytes, more than 65535");
        }
        // A chunk that expands to nothing could never be loaded.
        if (c.u == 0) return fail("chunk " + std::to_string(i) + " expands to 0 bytes");
        area += kChunkHeaderSize + c.data.size();
    }
    if (area > 0xFFFF) {
        return fail("the chunk area takes " + std::to_string(area) +
                    " bytes, more than the 65535 a pack can hold");
    }
    std::vector<uint8_t> pack;
    pack.reserve(kPackHeaderSize + area);
    auto put16 = [&pack](size_t v) {
        pack.push_back(static_cast<uint8_t>(v >> 8));
        pack.push_back(static_cast<uint8_t>(v));
    };
    put16(area);
    put16(firstDay);
    put16(lastDay);
    for (const CompressedChunk& c : chunks) {
        put16(c.data.size());
        put16(c.u);
        pack.insert(pack.end(), c.data.begin(), c.data.end());
    }
    pack.insert(pack.end(), kEndMarkerSize, 0);
    return pack;
}

bool LocateLesson(int key, LessonLocation* out) {
    if (key <= 0) return false;
    if (key == kContentsKey) {
        *out = {kContentsResourceId, 0};
        return true;
    }
    // Only the low 13 bits of a key take part: d = day - 1, m = month, leap = 13-month year.
    unsigned k = static_cast<unsigned>(key - 1);
    unsigned d = k & 0xFF;
    unsigned m = (k >> 8) & 0x0F;
    unsigned leap = (k >> 12) & 1;
    // Always within 998..1114, so the 16-bit wrap of the id never takes effect.
    out->resourceId = (1000 + 3 * (m + 16 * leap) + d / 11 - 2) & 0xFFFF;
    out->chunkIndex = static_cast<int>(d % 11);
    return true;
}

ByteBuffer LoadLesson(int key, int* reason) { return LoadLesson(key, reason, nullptr); }

ByteBuffer LoadLesson(int key, int* reason, size_t* length) {
    LessonLocation where;
    if (!LocateLesson(key, &where)) return nullptr;
    auto fail = [reason](int code) {
        if (reason) *reason = code;
        return nullptr;
    };
    const RcDataSource* source = GetRcDataSource();
    if (source == nullptr) return fail(kReasonNoResource);
    std::span<const uint8_t> pack;
    switch (source->Find(where.resourceId, &pack)) {
        case ResourceStatus::kMissing:
            return fail(kReasonNoResource);
        case ResourceStatus::kUnloadable:
            return fail(kReasonEmptyResource);
        case ResourceStatus::kFound:
            break;
    }
    if (pack.empty()) return fail(kReasonEmptyResource);

    PackCursor cursor(pack);
    if (!cursor.valid() || where.chunkIndex < 0 || cursor.length() < 5) {
        return fail(kReasonNoChunk);
    }
    ChunkInfo chunk;
    for (int i = where.chunkIndex; cursor.Next(&chunk); i--) {
        if (i == 0) {
            ByteBuffer lesson = UnCompress(pack.data() + chunk.offset, chunk.n, chunk.u, reason);
            if (lesson && length) *length = chunk.u;
            return lesson;
        }
    }
    return fail(kReasonNoChunk);
}
