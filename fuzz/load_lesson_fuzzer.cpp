#include "fuzz/book_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzLoadLesson(data, size);
}
