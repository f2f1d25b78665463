// Outline data: walking records, the bookmark branch, joining.
#include "outline/outline_data.h"

#include <cstring>

bool OutlineRecordWalker::Next(OutlineRecord* record) {
    if (done_) return false;
    const size_t at = position_;
    // The style byte decides: 0 ends the data, whatever else the record holds.
    if (data_.size() < at + 4 || data_[at + 2] == 0) {
        done_ = true;
        return false;
    }
    const uint8_t* label = data_.data() + at + 4;
    const void* zero = std::memchr(label, 0, data_.size() - at - 4);
    if (!zero) {  // a label not closed inside the buffer: the data ends before this record
        done_ = true;
        return false;
    }
    const size_t length = static_cast<size_t>(static_cast<const uint8_t*>(zero) - label);
    record->offset = at;
    record->key = static_cast<uint16_t>(data_[at] | data_[at + 1] << 8);
    record->style = data_[at + 2];
    record->level = data_[at + 3];
    record->label = std::string_view(reinterpret_cast<const char*>(label), length);
    position_ = at + kRecordOverhead + length;
    return true;
}

OutlineData FetchContents() {
    OutlineData data;
    data.bytes = LoadLesson(kContentsKey, nullptr, &data.size);
    if (!data.bytes) data.size = 0;
    return data;
}

namespace {

constexpr char kBookmarksLabel[] = "Bookmarks";

uint8_t* PutRecord(uint8_t* out, uint16_t key, uint8_t style, uint8_t level,
                   std::string_view label) {
    *out++ = static_cast<uint8_t>(key & 0xFF);
    *out++ = static_cast<uint8_t>(key >> 8);
    *out++ = style;
    *out++ = level;
    std::memcpy(out, label.data(), label.size());
    out += label.size();
    *out++ = 0;
    return out;
}

// The contents' entry for a DayCode: the first record whose key is the code with bit 14.
bool FindEntry(std::span<const uint8_t> contents, uint16_t code, OutlineRecord* found) {
    const uint16_t key = static_cast<uint16_t>(code | kLessonKeyBit);
    OutlineRecordWalker walker(contents);
    while (walker.Next(found)) {
        if (found->key == key) return true;
    }
    return false;
}

}  // namespace

OutlineData BuildBookmarkOutline(std::span<const uint16_t> bookmarks,
                                 std::span<const uint8_t> contents) {
    // Two passes over the same steps: the first adds up the exact size, the second fills.
    const std::string_view branch(kBookmarksLabel);
    size_t size = kRecordOverhead + branch.size() + kOutlineEndSize;
    OutlineRecord entry;
    for (uint16_t code : bookmarks) {
        if (FindEntry(contents, code, &entry)) size += kRecordOverhead + entry.label.size();
    }
    OutlineData out;
    out.bytes.reset(static_cast<uint8_t*>(AllocBytes(size)));
    if (!out.bytes) return out;
    out.size = size;
    uint8_t* p = PutRecord(out.bytes.get(), kBookmarksBranchKey, kBookmarksBranchStyle, 1, branch);
    for (uint16_t code : bookmarks) {
        if (FindEntry(contents, code, &entry)) {
            p = PutRecord(p, entry.key, kBookmarkEntryStyle, 2, entry.label);
        }
    }
    std::memset(p, 0, kOutlineEndSize);
    return out;
}

OutlineData JoinOutlines(OutlineData first, OutlineData second) {
    if (!second) return first;
    if (!first) return second;
    auto measure = [](const OutlineData& d) {
        OutlineRecordWalker walker(d.Span());
        OutlineRecord r;
        while (walker.Next(&r)) {
        }
        return walker.position();
    };
    const size_t a = measure(first);
    const size_t b = measure(second);
    OutlineData out;
    out.bytes.reset(static_cast<uint8_t*>(AllocBytes(a + b + kOutlineEndSize)));
    if (!out.bytes) return second;  // `first` is freed on the way out
    out.size = a + b + kOutlineEndSize;
    std::memcpy(out.bytes.get(), first.bytes.get(), a);
    std::memcpy(out.bytes.get() + a, second.bytes.get(), b);
    std::memset(out.bytes.get() + a + b, 0, kOutlineEndSize);
    return out;
}

OutlineData MakeIndexOutline(OutlineData contents, std::span<const uint16_t> bookmarks) {
    if (bookmarks.empty()) return contents;
    OutlineData marks = BuildBookmarkOutline(bookmarks, contents.Span());
    if (!marks) return contents;
    return JoinOutlines(std::move(marks), std::move(contents));
}
