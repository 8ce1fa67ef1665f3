// libFuzzer target: arbitrary bytes as an API request's Host, Origin,
// Authorization and body (NUL-separated).
#include <cstdio>
#include <cstdlib>

#include "FuzzApiRequest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString failure = RunApiRequestInput(std::span(data, size));
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "api request: %s\n", qPrintable(failure));
        std::abort();
    }
    return 0;
}
