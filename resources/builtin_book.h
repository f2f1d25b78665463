// resources/ (book half): the book the programs read. The built-in book is a book file made
// from the book source at build time and linked into the programs; --book FILE names another.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// The built-in book's file image; empty in a program linked without one (the bootstrap tool
// that builds the built-in book itself).
std::span<const uint8_t> BuiltinBookImage();

// Installs the book that LoadLesson reads: the book file at `path` when it is not empty, else
// the built-in book. Returns false with a message when the file cannot be read or is damaged.
bool InstallBook(const std::string& path, std::string* error);
