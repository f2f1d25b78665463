// Any text read as a settings file, written back and read again, must give the same keys and
// values; and writing is then stable: what a rewrite writes, the next rewrite writes again.
#include <cstdlib>
#include <string_view>

#include "platform/registry.h"

namespace {

bool SameValues(const RegistryData& a, const RegistryData& b) {
    if (a.keys.size() != b.keys.size()) return false;
    for (size_t k = 0; k < a.keys.size(); ++k) {
        const RegKeyEntry& x = a.keys[k];
        const RegKeyEntry& y = b.keys[k];
        if (x.path != y.path || x.values.size() != y.values.size()) return false;
        for (size_t v = 0; v < x.values.size(); ++v) {
            if (x.values[v].name != y.values[v].name || x.values[v].type != y.values[v].type ||
                x.values[v].data != y.values[v].data) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    RegistryData first = ParseRegistryText(text, nullptr);
    std::string written = WriteRegistryText(first);
    RegistryData second = ParseRegistryText(written, nullptr);
    if (!SameValues(first, second)) std::abort();
    if (WriteRegistryText(second) != written) std::abort();
    return 0;
}
