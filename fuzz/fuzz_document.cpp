// libFuzzer target: arbitrary bytes as a document file.
#include <cstdio>
#include <cstdlib>

#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const DocumentOutcome outcome = RunDocumentInput(std::span(data, size));
    if (!outcome.failure.isEmpty()) {
        std::fprintf(stderr, "document: %s\n", qPrintable(outcome.failure));
        std::abort();
    }
    return 0;
}
