// Splits a fuzz input into a few leading parameters and the coded bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

class CFuzzInput {
public:
    CFuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    // The next 4 bytes little-endian (missing bytes count as 0).
    std::uint32_t TakeU32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            v |= static_cast<std::uint32_t>(TakeByte()) << (8 * i);
        }
        return v;
    }
    std::uint8_t TakeByte() {
        if (m_size == 0) {
            return 0;
        }
        --m_size;
        return *m_data++;
    }
    const std::uint8_t* Rest() const { return m_data; }
    std::size_t RestSize() const { return m_size; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

// A failed check in a fuzz target: stops the run so the fuzzer saves the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
