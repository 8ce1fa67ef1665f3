// The API request target's entry on hand-made inputs: the rules hold for
// well-formed, hostile and truncated requests alike.
#include <gtest/gtest.h>

#include <string>

#include "FuzzApiRequest.h"

namespace {

TEST(ApiRequestReplay, TheRulesHoldOnHandMadeRequests) {
    using namespace std::string_literals;
    const std::string token(64, 'a');
    const std::string inputs[] = {
        "127.0.0.1:47800\0\0Bearer "s + token + "\0{\"exposure_us\": 5000}"s,
        "evil.example\0http://evil.example\0Bearer x\0{\"averaging\": 1e300}"s,
        "[::1]:47800\0null\0bearer \0{\"aux\": -2147483649}"s,
        "\0\0\0"s,
        "[\0[\0Bearer\0{\"on\": true, \"on\": false}"s,
    };
    for (const std::string& in : inputs) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(in.data());
        EXPECT_EQ(RunApiRequestInput(std::span(bytes, in.size())), QString());
    }
}

}  // namespace
