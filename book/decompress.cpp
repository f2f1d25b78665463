// The PalmDoc-style decoder. Its input is a chunk of an untrusted book file: every token's
// bytes and every back-reference are checked before use, and the output never goes past the
// length the chunk header states.
//
// Tokens (t is the byte read):
//   0x00, 0x09-0x7F  the byte itself
//   0x01-0x08        a run: the next t bytes unchanged
//   0x80-0xBF        a back-reference with the next byte b: x = t << 8 | b,
//                    distance (x >> 3) & 0x7FF (1 to 2047), length (x & 7) + 3 (3 to 10)
//   0xC0-0xFF        a space, then t ^ 0x80 (0x40 to 0x7F)
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "book/book.h"
#include "book/internal.h"

namespace {

// A word of 8 input bytes whose first byte (in memory order) is its lowest.
uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

// The index of the first byte whose high bit is set in a non-zero word of marks.
unsigned FirstMarkedByte(uint64_t marks) {
    return static_cast<unsigned>(std::countr_zero(marks)) / 8;
}

// Marks with its high bit the first byte of `v` (in memory order) that starts a token other
// than a plain byte (0x00 or 0x09-0x7F, which stand for themselves); zero when there is none.
// A byte is marked when its high bit is set, or when b + 0x77 stays below 0x80 (b < 9) while
// b + 0x7F reaches it (b > 0). Only plain bytes are known not to carry into the next byte, so
// marks after the first may be spurious; callers use the first mark alone.
uint64_t FirstNonPlainMark(uint64_t v) {
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    uint64_t below9 = ~(v + 0x7777777777777777ull);
    uint64_t nonzero = v + 0x7F7F7F7F7F7F7F7Full;
    return (v | (below9 & nonzero)) & kHigh;
}

// Decodes `in` into out[0, size). `capacity` (>= size) bytes of `out` may be written: the
// fast loop copies in whole 8-byte words and may write a few bytes beyond the token's end, so
// it runs only while that slack lies inside the capacity. Bytes past the end of the output
// written this way are scratch; the caller decides what they hold.
DecodeResult Decode(const uint8_t* in, size_t inSize, uint8_t* out, size_t size,
                    size_t capacity) {
    size_t ip = 0;
    size_t op = 0;

    // Fast loop. Each pass copies the plain bytes at the front of the next 8 input bytes as
    // one word, then decodes at most one other token. A pass reads at most 7 + 9 input bytes
    // and writes at most 7 + 16 output bytes (10 of them real, the rest word-copy slack), so
    // the bounds are checked once per pass rather than per byte.
    constexpr size_t kPassInput = 16;
    constexpr size_t kPassOutput = 7 + 10;
    constexpr size_t kPassSlack = 7 + 16;
    if (capacity >= kPassSlack && size >= kPassOutput && inSize >= kPassInput) {
        const size_t opLimit = std::min(capacity - kPassSlack, size - kPassOutput);
        const size_t ipLimit = inSize - kPassInput;
        while (op <= opLimit && ip <= ipLimit) {
            uint64_t w = Load64(in + ip);
            uint64_t other = FirstNonPlainMark(w);
            std::memcpy(out + op, in + ip, 8);
            if (other == 0) {
                op += 8;
                ip += 8;
                continue;
            }
            // The bit offset of the first other token's byte within w.
            unsigned shift = FirstMarkedByte(other) * 8;
            op += shift / 8;
            ip += shift / 8;
            unsigned t = static_cast<unsigned>(w >> shift) & 0xFF;
            if (t >= 0xC0) {
                out[op] = ' ';
                out[op + 1] = static_cast<uint8_t>(t ^ 0x80);
                op += 2;
                ip++;
            } else if (t >= 0x80) {
                unsigned x = t << 8 | in[ip + 1];
                size_t distance = (x >> 3) & 0x7FF;
                size_t length = (x & 7) + 3;
                if (distance == 0 || distance > op) {
                    return {DecodeStatus::kBadDistance, ip, op};
                }
                ip += 2;
                uint8_t* dst = out + op;
                const uint8_t* src = dst - distance;
                if (distance >= 8) {
                    // Two word copies: the second may read bytes the first just wrote, which
                    // is what a back-reference means when distance < 16.
                    std::memcpy(dst, src, 8);
                    std::memcpy(dst + 8, src + 8, 8);
                } else {
                    for (size_t i = 0; i < length; i++) dst[i] = src[i];
                }
                op += length;
            } else {
                // 0x01-0x08: a run.
                std::memcpy(out + op, in + ip + 1, 8);
                op += t;
                ip += 1 + t;
            }
        }
    }

    // Careful loop for the last tokens: each checks its own bounds and stops at `size`.
    while (op < size) {
        if (ip >= inSize) return {DecodeStatus::kInputExhausted, ip, op};
        unsigned t = in[ip];
        if (t == 0 || (t >= 0x09 && t <= 0x7F)) {
            out[op++] = static_cast<uint8_t>(t);
            ip++;
        } else if (t >= 0xC0) {
            out[op++] = ' ';
            if (op < size) out[op++] = static_cast<uint8_t>(t ^ 0x80);
            ip++;
        } else if (t >= 0x80) {
            if (inSize - ip < 2) return {DecodeStatus::kInputExhausted, ip, op};
            unsigned x = t << 8 | in[ip + 1];
            size_t distance = (x >> 3) & 0x7FF;
            size_t length = (x & 7) + 3;
            if (distance == 0 || distance > op) return {DecodeStatus::kBadDistance, ip, op};
            ip += 2;
            if (length > size - op) length = size - op;
            for (size_t i = 0; i < length; i++, op++) out[op] = out[op - distance];
        } else {
            // A run stops at the output bound; only the bytes it copies must be present.
            size_t length = t;
            if (length > size - op) length = size - op;
            if (inSize - ip - 1 < length) return {DecodeStatus::kInputExhausted, ip, op};
            std::memcpy(out + op, in + ip + 1, length);
            op += length;
            ip += 1 + length;
        }
    }
    return {DecodeStatus::kOk, ip, op};
}

}  // namespace

DecodeResult PalmDocDecode(std::span<const uint8_t> in, std::span<uint8_t> out) {
    return Decode(in.data(), in.size(), out.data(), out.size(), out.size());
}

ByteBuffer UnCompress(const uint8_t* data, size_t n, size_t u, int* reason) {
    if (data == nullptr || n == 0 || u == 0) {
        if (reason) *reason = kReasonNoData;
        return nullptr;
    }
    // A length whose buffer size would wrap around cannot be allocated either.
    ByteBuffer buffer(u <= SIZE_MAX - kZeroTail
                          ? static_cast<uint8_t*>(AllocBytes(u + kZeroTail))
                          : nullptr);
    if (!buffer) {
        if (reason) *reason = kReasonEmptyResource;
        return nullptr;
    }
    // The zero tail doubles as slack for the decoder's word copies; it is cleared afterwards.
    DecodeResult result = Decode(data, n, buffer.get(), u, u + kZeroTail);
    if (result.status != DecodeStatus::kOk) {
        buffer.reset();
        ReportBookError(kUnCompressErrorText);
        if (reason) *reason = kReasonBadData;
        return nullptr;
    }
    std::memset(buffer.get() + u, 0, kZeroTail);
    return buffer;
}
