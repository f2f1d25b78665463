#include <optional>

#include "book/book.h"
#include "resources/builtin_book.h"

bool InstallBook(const std::string& path, std::string* error) {
    // The installed source must outlive every lookup, so it lives until the program ends.
    static std::optional<BookFile> book;
    std::optional<BookFile> next;
    if (!path.empty()) {
        next = BookFile::Load(path, error);
    } else {
        std::span<const uint8_t> image = BuiltinBookImage();
        if (image.empty()) {
            if (error) *error = "this program has no built-in book; name one with --book FILE";
            return false;
        }
        next = BookFile::View(image, error);
    }
    if (!next) return false;
    SetRcDataSource(nullptr);
    book = std::move(next);
    SetRcDataSource(&*book);
    return true;
}
