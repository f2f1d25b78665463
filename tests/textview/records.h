// Lessons for the tests, built record by record.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace velin::textview::testing {

using Bytes = std::vector<uint8_t>;

// A record: style, parameter, text, zero.
inline Bytes Record(uint8_t style, uint8_t parameter, const std::string& text = "") {
    // Byte by byte: GCC 12 misreads a range insert into a two-byte vector as out of bounds.
    Bytes b{style, parameter};
    for (char c : text) b.push_back(static_cast<uint8_t>(c));
    b.push_back(0);
    return b;
}
// Records followed by the end marker (three zero bytes) unless endMarker is false.
inline Bytes Lesson(std::initializer_list<Bytes> records, bool endMarker = true) {
    Bytes b;
    for (const Bytes& r : records) b.insert(b.end(), r.begin(), r.end());
    if (endMarker) b.insert(b.end(), {0, 0, 0});
    return b;
}

}  // namespace velin::textview::testing
