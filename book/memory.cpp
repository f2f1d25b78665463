#include <cstdio>
#include <cstdlib>

#include "book/book.h"

namespace {

// Test hook state: AllocBytes lets `failSkip` calls succeed, then fails `failCount` calls.
int failSkip = 0;
int failCount = 0;

void PrintToStderr(const char* message) { std::fprintf(stderr, "%s\n", message); }

BookErrorReporter reporter = PrintToStderr;
const RcDataSource* installedSource = nullptr;

}  // namespace

void* AllocBytes(size_t size) {
    if (failCount > 0) {
        if (failSkip > 0) {
            --failSkip;
        } else {
            --failCount;
            return nullptr;
        }
    }
    // malloc(0) may return null, which would read as a failure.
    return std::malloc(size == 0 ? 1 : size);
}

void FailNextAllocations(int skip, int count) {
    failSkip = skip < 0 ? 0 : skip;
    failCount = count < 0 ? 0 : count;
}

void SetBookErrorReporter(BookErrorReporter r) { reporter = r ? r : PrintToStderr; }

void ReportBookError(const char* message) { reporter(message); }

void SetRcDataSource(const RcDataSource* source) { installedSource = source; }
const RcDataSource* GetRcDataSource() { return installedSource; }
