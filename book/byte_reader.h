// Internal: a bounds-checked reader over bytes from an untrusted file. Every read checks the
// remaining length first; the first failed read is remembered and every later read fails too,
// so a caller may read a whole header and test ok() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    size_t position() const { return pos_; }
    size_t remaining() const { return bytes_.size() - pos_; }

    uint16_t ReadU16BE() {
        if (!Need(2)) return 0;
        uint16_t v = static_cast<uint16_t>(bytes_[pos_] << 8 | bytes_[pos_ + 1]);
        pos_ += 2;
        return v;
    }
    uint32_t ReadU32LE() {
        if (!Need(4)) return 0;
        uint32_t v = static_cast<uint32_t>(bytes_[pos_]) |
                     static_cast<uint32_t>(bytes_[pos_ + 1]) << 8 |
                     static_cast<uint32_t>(bytes_[pos_ + 2]) << 16 |
                     static_cast<uint32_t>(bytes_[pos_ + 3]) << 24;
        pos_ += 4;
        return v;
    }
    // A view of the next `n` bytes; empty (and the reader failed) when fewer remain.
    std::span<const uint8_t> ReadBytes(size_t n) {
        if (!Need(n)) return {};
        std::span<const uint8_t> v = bytes_.subspan(pos_, n);
        pos_ += n;
        return v;
    }

private:
    bool Need(size_t n) {
        // Compared against what remains, so a huge n cannot overflow the position.
        if (ok_ && n <= remaining()) return true;
        ok_ = false;
        return false;
    }

    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
    bool ok_ = true;
};
