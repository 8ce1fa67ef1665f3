#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <vector>

#include <QString>

#include "device/CommandWord.h"
#include "device/Transport.h"

// A port that records every request word and answers through a function of the
// word. An answer of the wrong size (e.g. empty) is a missing reply.
class ScriptedTransport final : public Transport {
  public:
    using Responder = std::function<std::vector<std::uint8_t>(CommandWord)>;
    explicit ScriptedTransport(Responder responder) : responder_(std::move(responder)) {}

    std::size_t write(std::span<const std::uint8_t> bytes) override {
        if (bytes.size() >= 4) {
            CommandWord w{bytes[0], bytes[1],
                          static_cast<std::uint16_t>(bytes[2] | (bytes[3] << 8))};
            words.push_back(w);
            pending_ = responder_(w);
        }
        return bytes.size();
    }
    bool read(std::span<std::uint8_t> into) override {
        if (pending_.size() != into.size())
            return false;
        std::memcpy(into.data(), pending_.data(), into.size());
        return true;
    }
    QString portName() const override { return "scripted"; }

    std::vector<CommandWord> words;

  private:
    Responder responder_;
    std::vector<std::uint8_t> pending_;
};

inline void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void PutFloat(std::vector<std::uint8_t>& b, std::size_t at, float f) {
    std::uint32_t v;
    std::memcpy(&v, &f, 4);
    PutU32(b, at, v);
}
inline std::vector<std::uint8_t> Int32Reply(std::int32_t v) {
    std::vector<std::uint8_t> b(4);
    PutU32(b, 0, static_cast<std::uint32_t>(v));
    return b;
}
inline std::vector<std::uint8_t> TextReply(const char* text, std::size_t field) {
    std::vector<std::uint8_t> b(field, 0);
    std::memcpy(b.data(), text, std::min(std::strlen(text), field));
    return b;
}
