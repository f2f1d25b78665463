// Outline data from an untrusted book: the first byte gives how many bookmarks (16-bit, little
// endian) follow; the rest is the table of contents. The bookmark branch and the joined Index
// outline must be well formed: every record walks, the walk ends on the five zero bytes that
// close the buffer, and the joined outline holds the branch's records and then the contents'.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "outline/outline_data.h"

namespace {

size_t CountRecords(std::span<const uint8_t> data, size_t* stop) {
    OutlineRecordWalker walker(data);
    OutlineRecord r;
    size_t n = 0;
    while (walker.Next(&r)) ++n;
    *stop = walker.position();
    return n;
}

void CheckClosed(const OutlineData& d, size_t* records) {
    size_t stop = 0;
    *records = CountRecords(d.Span(), &stop);
    if (stop + kOutlineEndSize != d.size) abort();
    static const uint8_t kZeros[kOutlineEndSize] = {};
    if (std::memcmp(d.bytes.get() + stop, kZeros, kOutlineEndSize) != 0) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t count = std::min<size_t>(data[0], (size - 1) / 2);
    std::vector<uint16_t> bookmarks(count);
    for (size_t i = 0; i < count; ++i) {
        bookmarks[i] = static_cast<uint16_t>(data[1 + 2 * i] | data[2 + 2 * i] << 8);
    }
    const std::span<const uint8_t> contents(data + 1 + 2 * count, size - 1 - 2 * count);
    size_t contentsStop = 0;
    const size_t contentsRecords = CountRecords(contents, &contentsStop);

    OutlineData marks = BuildBookmarkOutline(bookmarks, contents);
    if (!marks) return 0;
    size_t markRecords = 0;
    CheckClosed(marks, &markRecords);
    if (markRecords < 1 || markRecords > count + 1) abort();

    OutlineData copy;
    copy.bytes.reset(static_cast<uint8_t*>(AllocBytes(contents.size() + 1)));
    if (!copy.bytes) return 0;
    if (!contents.empty()) std::memcpy(copy.bytes.get(), contents.data(), contents.size());
    copy.size = contents.size();
    OutlineData joined = MakeIndexOutline(std::move(copy), bookmarks);
    if (count == 0) return 0;  // the contents unchanged, closed or not
    size_t joinedRecords = 0;
    CheckClosed(joined, &joinedRecords);
    if (joinedRecords != markRecords + contentsRecords) abort();
    if (std::memcmp(joined.bytes.get() + (marks.size - kOutlineEndSize), contents.data(),
                    contentsStop) != 0) {
        abort();
    }
    return 0;
}
