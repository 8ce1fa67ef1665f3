// libFuzzer target: arbitrary bytes as device replies (or requests to a
// simulated device); the first byte picks the parser.
#include <cstdio>
#include <cstdlib>

#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const RepliesOutcome outcome = RunRepliesInput(std::span(data, size));
    if (!outcome.failure.isEmpty()) {
        std::fprintf(stderr, "replies (target %d): %s\n", static_cast<int>(outcome.target),
                     qPrintable(outcome.failure));
        std::abort();
    }
    return 0;
}
