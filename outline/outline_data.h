// outline/outline_data.h (platform-free core): outline data, the record format shared by the
// book's table of contents and the bookmark branch the Index puts in front of it.
//
// Outline data is a byte string of records (16-bit little-endian key, style byte, level byte,
// zero-terminated 8-bit label) closed by a record whose style byte is 0; writers close it with
// five zero bytes. A key with bit 15 is a branch; one with bit 14 a lesson entry whose low 14
// bits are the DayCode it opens. The contents come from the book file, so they are untrusted:
// OutlineRecordWalker never reads past the buffer, and a record that runs past it ends the walk
// as the end record would.
//
// Buffers travel as owning handles (OutlineData) and are moved, never copied. Memory comes from
// AllocBytes; a builder that runs out of memory gives nothing, and nobody is told.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "book/book.h"

constexpr uint16_t kBranchKeyBit = 0x8000;
constexpr uint16_t kLessonKeyBit = 0x4000;
constexpr uint16_t kKeyDayCodeMask = 0x3FFF;
constexpr uint16_t kBookmarksBranchKey = 0x8877;

// Style bits of an outline record.
constexpr uint8_t kOutlineVisible = 0x80;
constexpr uint8_t kOutlineExpanded = 0x40;
constexpr uint8_t kOutlineFontMask = 0x1F;
constexpr uint8_t kBookmarksBranchStyle = 0xC1;  // visible, expanded, plain
constexpr uint8_t kBookmarkEntryStyle = 0x81;    // visible, plain

constexpr size_t kOutlineEndSize = 5;  // the closing record: key, style, level, empty label
constexpr size_t kRecordOverhead = 5;  // key, style, level and the label's zero byte

inline bool IsBranchKey(uint16_t key) { return (key & kBranchKeyBit) != 0; }
inline bool IsLessonKey(uint16_t key) {
    return (key & (kBranchKeyBit | kLessonKeyBit)) == kLessonKeyBit;
}

// An owned buffer of outline data and the number of bytes in it (the walk never passes it).
struct OutlineData {
    ByteBuffer bytes;
    size_t size = 0;
    explicit operator bool() const { return bytes != nullptr; }
    std::span<const uint8_t> Span() const { return {bytes.get(), bytes ? size : 0}; }
};

struct OutlineRecord {
    size_t offset;  // of the key, from the start of the data
    uint16_t key;
    uint8_t style;
    uint8_t level;
    std::string_view label;  // without its zero byte; points into the data
};

class OutlineRecordWalker {
  public:
    explicit OutlineRecordWalker(std::span<const uint8_t> data) : data_(data) {}
    // The next record before the end; false at the end record, at the end of the buffer, or at
    // a record whose label is not closed inside the buffer.
    bool Next(OutlineRecord* record);
    // Offset at which the walk stopped: the length of the data before its end record.
    size_t position() const { return position_; }

  private:
    std::span<const uint8_t> data_;
    size_t position_ = 0;
    bool done_ = false;
};

// The book's table of contents, decoded; empty when the book has none or it is damaged.
OutlineData FetchContents();

// The "Bookmarks" branch: one entry per bookmarked DayCode (in the list's order) that has a
// lesson entry in `contents`, labelled as that entry. `contents` may be empty. Empty when
// memory runs out.
OutlineData BuildBookmarkOutline(std::span<const uint16_t> bookmarks,
                                 std::span<const uint8_t> contents);

// `first`'s records, then `second`'s, then the end record. Takes both; an empty one gives the
// other back. Without memory for the joined buffer, `second` is given back alone.
OutlineData JoinOutlines(OutlineData first, OutlineData second);

// What the Index shows: the bookmark branch in front of the contents when there are bookmarks,
// else the contents alone (either may be empty).
OutlineData MakeIndexOutline(OutlineData contents, std::span<const uint16_t> bookmarks);
