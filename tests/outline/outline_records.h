// Outline data for the tests, built record by record.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "outline/outline_data.h"

namespace velin::outline::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes Rec(uint16_t key, uint8_t style, uint8_t level, const std::string& label) {
    Bytes b{static_cast<uint8_t>(key & 0xFF), static_cast<uint8_t>(key >> 8), style, level};
    for (char c : label) b.push_back(static_cast<uint8_t>(c));
    b.push_back(0);
    return b;
}
// Records and the five zero bytes of the end record.
inline Bytes Outline(std::initializer_list<Bytes> records) {
    Bytes b;
    for (const Bytes& r : records) b.insert(b.end(), r.begin(), r.end());
    for (int i = 0; i < 5; ++i) b.push_back(0);
    return b;
}
inline OutlineData Data(const Bytes& bytes) {
    OutlineData d;
    d.bytes.reset(static_cast<uint8_t*>(AllocBytes(bytes.size() ? bytes.size() : 1)));
    if (!d.bytes) return OutlineData{};
    if (!bytes.empty()) std::memcpy(d.bytes.get(), bytes.data(), bytes.size());
    d.size = bytes.size();
    return d;
}
inline Bytes BytesOf(const OutlineData& d) {
    return d ? Bytes(d.bytes.get(), d.bytes.get() + d.size) : Bytes{};
}

}  // namespace velin::outline::testing
