#include "resources/builtin_book.h"

// Linked into the bootstrap tool, which builds the built-in book and so cannot contain it.
std::span<const uint8_t> BuiltinBookImage() { return {}; }
