// The book file (.vbk): "VELINBK1", a 32-bit little-endian resource count, then for each
// resource a 32-bit little-endian id, a 32-bit little-endian size and the bytes. The file may
// come from anywhere, so every size is checked against what is left of the image.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "book/byte_reader.h"

namespace {

constexpr char kMagic[] = "VELINBK1";
constexpr size_t kMagicSize = 8;

// Fills `resources` with views into `image`; false with a message when the image is damaged.
bool ParseImage(std::span<const uint8_t> image,
                std::map<uint32_t, std::span<const uint8_t>>* resources, std::string* error) {
    auto fail = [error](std::string message) {
        if (error) *error = std::move(message);
        return false;
    };
    ByteReader reader(image);
    std::span<const uint8_t> magic = reader.ReadBytes(kMagicSize);
    if (!reader.ok() || std::memcmp(magic.data(), kMagic, kMagicSize) != 0) {
        return fail("not a book file (the magic VELINBK1 is missing)");
    }
    uint32_t count = reader.ReadU32LE();
    if (!reader.ok()) return fail("the book file ends inside its header");
    for (uint32_t i = 0; i < count; i++) {
        size_t at = reader.position();
        uint32_t id = reader.ReadU32LE();
        uint32_t size = reader.ReadU32LE();
        if (!reader.ok()) {
            return fail("the book file ends inside the header of resource " + std::to_string(i) +
                        " of " + std::to_string(count) + " (offset " + std::to_string(at) + ")");
        }
        std::span<const uint8_t> bytes = reader.ReadBytes(size);
        if (!reader.ok()) {
            return fail("resource " + std::to_string(id) + " claims " + std::to_string(size) +
                        " bytes but only " + std::to_string(image.size() - at - 8) +
                        " remain in the book file");
        }
        if (!resources->emplace(id, bytes).second) {
            return fail("resource " + std::to_string(id) + " appears twice in the book file");
        }
    }
    if (reader.remaining() != 0) {
        return fail(std::to_string(reader.remaining()) +
                    " stray bytes after the last resource of the book file");
    }
    return true;
}

}  // namespace

std::optional<BookFile> BookFile::Parse(std::span<const uint8_t> image, std::string* error) {
    // The BookFile keeps its own copy, so the caller's bytes may go away.
    auto owned = std::make_shared<const std::vector<uint8_t>>(image.begin(), image.end());
    BookFile book;
    if (!ParseImage(*owned, &book.resources_, error)) return std::nullopt;
    book.owned_ = std::move(owned);
    return book;
}

std::optional<BookFile> BookFile::View(std::span<const uint8_t> image, std::string* error) {
    BookFile book;
    if (!ParseImage(image, &book.resources_, error)) return std::nullopt;
    return book;
}

std::optional<BookFile> BookFile::Load(const std::string& path, std::string* error) {
    auto fail = [&](const char* what) {
        if (error) *error = path + ": " + what;
        return std::nullopt;
    };
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return fail(std::strerror(errno));
    auto image = std::make_shared<std::vector<uint8_t>>();
    uint8_t block[65536];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
        image->insert(image->end(), block, block + got);
    }
    bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError) return fail("read error");
    BookFile book;
    std::string message;
    if (!ParseImage(*image, &book.resources_, &message)) {
        if (error) *error = path + ": " + message;
        return std::nullopt;
    }
    book.owned_ = std::move(image);
    return book;
}

ResourceStatus BookFile::Find(uint32_t id, std::span<const uint8_t>* out) const {
    auto it = resources_.find(id);
    if (it == resources_.end()) return ResourceStatus::kMissing;
    // An empty resource is there but cannot be loaded.
    if (it->second.empty()) return ResourceStatus::kUnloadable;
    *out = it->second;
    return ResourceStatus::kFound;
}

std::vector<uint8_t> WriteBookFile(const std::map<uint32_t, std::vector<uint8_t>>& resources) {
    std::vector<uint8_t> image(kMagic, kMagic + kMagicSize);
    auto put32 = [&image](uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) image.push_back(static_cast<uint8_t>(v >> shift));
    };
    put32(static_cast<uint32_t>(resources.size()));
    for (const auto& [id, bytes] : resources) {
        put32(id);
        put32(static_cast<uint32_t>(bytes.size()));
        image.insert(image.end(), bytes.begin(), bytes.end());
    }
    return image;
}
