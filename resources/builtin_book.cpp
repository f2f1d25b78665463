#include "resources/builtin_book.h"

#include <cstdint>

// Defined in builtin_book.S around the bytes of the book file made at build time.
extern "C" {
extern const uint8_t velin_builtin_book_start[];
extern const uint64_t velin_builtin_book_size;
}

std::span<const uint8_t> BuiltinBookImage() {
    return {velin_builtin_book_start, static_cast<size_t>(velin_builtin_book_size)};
}
