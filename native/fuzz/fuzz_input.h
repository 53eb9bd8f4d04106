// What every fuzz target shares: reading its input from the front, and the
// check that ends the run (and makes the fuzzer keep the input) when a fact
// about the library's result is false.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace w32kfuzz {

inline void check(bool fact)
{
    if (!fact)
        std::abort();
}

// The input as a stream of bytes; past its end every byte reads as 0.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    // Two bytes, low first.
    std::uint16_t word()
    {
        const std::uint16_t low = byte();
        return static_cast<std::uint16_t>(low | byte() << 8);
    }
    // Four bytes, low first, as a signed number.
    std::int32_t number()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= std::uint32_t{byte()} << (8 * i);
        return static_cast<std::int32_t>(value);
    }
    void bytes(void* out, std::size_t count)
    {
        auto* to = static_cast<std::uint8_t*>(out);
        for (std::size_t i = 0; i < count; ++i)
            to[i] = byte();
    }
    // length characters, none of them NUL (as an edit field or INI value gives them).
    std::string text(std::size_t length)
    {
        std::string t;
        for (std::size_t i = 0; i < length; ++i)
            t += static_cast<char>(std::max<std::uint8_t>(byte(), 1));
        return t;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

} // namespace w32kfuzz
