// The book store's fuzz harnesses, shared by the fuzz targets and by the test that replays
// their kept inputs. A broken invariant aborts, so the fuzzer and the test both notice it.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "book/book.h"

namespace book_fuzz {

inline void Check(bool ok) {
    if (!ok) std::abort();
}

inline void Quiet(const char*) {}

// Walks lesson records (style, parameter, zero-terminated text) to the first zero style byte
// and proves that walk stays inside the `size` bytes of the buffer.
inline void WalkLessonRecords(const uint8_t* text, size_t size) {
    size_t p = 0;
    while (true) {
        Check(p < size);
        if (text[p] == 0) return;
        p += 2;
        Check(p < size);
        while (text[p] != 0) {
            p++;
            Check(p < size);
        }
        p++;
    }
}

// Walks outline records (16-bit key, style, level, zero-terminated label) the same way.
inline void WalkOutlineRecords(const uint8_t* data, size_t size) {
    size_t p = 0;
    while (true) {
        Check(p + 2 < size);
        if (data[p + 2] == 0) return;
        p += 4;
        Check(p < size);
        while (data[p] != 0) {
            p++;
            Check(p < size);
        }
        p++;
    }
}

// A byte-at-a-time decoder written straight from the token table, against which the real one
// (which copies whole words and checks bounds once per token) is compared. Fills out[0, u)
// and returns the status; on success *consumed is the number of input bytes used.
inline DecodeStatus ReferenceDecode(std::span<const uint8_t> in, std::span<uint8_t> out,
                                    size_t* consumed) {
    size_t ip = 0;
    size_t op = 0;
    const size_t u = out.size();
    while (op < u) {
        if (ip >= in.size()) return DecodeStatus::kInputExhausted;
        uint8_t t = in[ip++];
        if (t == 0 || (t >= 9 && t <= 0x7F)) {
            out[op++] = t;
        } else if (t <= 8) {
            for (int i = 0; i < t && op < u; i++) {
                if (ip >= in.size()) return DecodeStatus::kInputExhausted;
                out[op++] = in[ip++];
            }
        } else if (t <= 0xBF) {
            if (ip >= in.size()) return DecodeStatus::kInputExhausted;
            unsigned x = t << 8 | in[ip++];
            size_t distance = (x >> 3) & 0x7FF;
            size_t length = (x & 7) + 3;
            if (distance == 0 || distance > op) return DecodeStatus::kBadDistance;
            for (size_t i = 0; i < length && op < u; i++, op++) out[op] = out[op - distance];
        } else {
            out[op++] = ' ';
            if (op < u) out[op++] = static_cast<uint8_t>(t ^ 0x80);
        }
    }
    *consumed = ip;
    return DecodeStatus::kOk;
}

}  // namespace book_fuzz

// Input: two bytes of U (little-endian), then the compressed data.
inline int FuzzUnCompress(const uint8_t* data, size_t size) {
    using namespace book_fuzz;
    if (size < 2) return 0;
    size_t u = data[0] | data[1] << 8;
    const uint8_t* in = data + 2;
    size_t n = size - 2;
    SetBookErrorReporter(Quiet);
    int reason = 0;
    ByteBuffer out = UnCompress(n ? in : nullptr, n, u, &reason);
    SetBookErrorReporter(nullptr);

    std::vector<uint8_t> plain(u);
    DecodeResult r = PalmDocDecode(std::span<const uint8_t>(in, n), plain);
    Check(r.consumed <= n && r.written <= u);
    std::vector<uint8_t> expected(u);
    size_t expectedConsumed = 0;
    DecodeStatus expectedStatus =
        ReferenceDecode(std::span<const uint8_t>(in, n), expected, &expectedConsumed);
    Check(r.status == expectedStatus);
    if (r.status == DecodeStatus::kOk) {
        Check(r.written == u && r.consumed == expectedConsumed && plain == expected);
    }
    if (out) {
        Check(r.status == DecodeStatus::kOk);
        Check(std::memcmp(out.get(), expected.data(), u) == 0);
        for (size_t i = 0; i < kZeroTail; i++) Check(out[u + i] == 0);
    } else {
        Check(reason >= kReasonEmptyResource && reason <= kReasonBadData);
        Check(n == 0 || u == 0 || r.status != DecodeStatus::kOk);
    }

    // The compressor on the same bytes, taken as plain input: the round trip must be exact.
    std::span<const uint8_t> raw(in, n);
    ParseMode mode = data[0] & 1 ? ParseMode::kOptimal : ParseMode::kGreedy;
    std::vector<uint8_t> packed = PalmDocCompress(raw, mode);
    std::vector<uint8_t> back(n);
    DecodeResult rt = PalmDocDecode(packed, back);
    Check(rt.status == DecodeStatus::kOk && rt.written == n && rt.consumed == packed.size());
    Check(n == 0 || std::memcmp(back.data(), in, n) == 0);
    return 0;
}

// Input: a whole book file. Every key's lesson must load or fail with a reason, and every
// buffer handed out must hold its records.
inline int FuzzLoadLesson(const uint8_t* data, size_t size) {
    using namespace book_fuzz;
    std::string error;
    auto book = BookFile::Parse(std::span<const uint8_t>(data, size), &error);
    if (!book) return 0;
    SetRcDataSource(&*book);
    SetBookErrorReporter(Quiet);

    std::vector<int> keys = {kContentsKey, 0x0101, 0x1000, 0x1FFF, 0x7FFF};
    for (int month = 1; month <= 13; month++) {
        for (int day : {1, 2, 11, 12, 22, 23, 29, 30, 31}) keys.push_back(0x1000 | month << 8 | day);
    }
    for (int key : keys) {
        int reason = 0;
        size_t length = 0;
        ByteBuffer lesson = LoadLesson(key, &reason, &length);
        if (!lesson) {
            Check(reason >= 1 && reason <= 5);
            continue;
        }
        Check(reason == 0);
        // The buffer's length: U of the chunk the key names, plus the zero tail. It is found
        // here again by walking the pack, which must agree with what the lookup reported.
        LessonLocation where;
        Check(LocateLesson(key, &where));
        std::span<const uint8_t> pack;
        Check(book->Find(where.resourceId, &pack) == ResourceStatus::kFound);
        auto info = WalkPack(pack);
        Check(info && where.chunkIndex < static_cast<int>(info->chunks.size()));
        size_t u = info->chunks[where.chunkIndex].u;
        Check(length == u);
        for (size_t i = 0; i < kZeroTail; i++) Check(lesson[u + i] == 0);
        if (key == kContentsKey) {
            WalkOutlineRecords(lesson.get(), u + kZeroTail);
        } else {
            WalkLessonRecords(lesson.get(), u + kZeroTail);
        }
    }
    SetBookErrorReporter(nullptr);
    SetRcDataSource(nullptr);
    return 0;
}
