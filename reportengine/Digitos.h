#pragma once

#include <array>
#include <cstddef>
#include <cstring>

namespace motor {

// "00" to "99", for writers of many numbers that put two digits at a time.
inline constexpr std::array<char, 200> ParesDeDigitos = [] {
    std::array<char, 200> t{};
    for (std::size_t i = 0; i < 100; ++i) {
        t[2 * i] = char('0' + i / 10);
        t[2 * i + 1] = char('0' + i % 10);
    }
    return t;
}();

// The two digits of n (0 to 99) at p.
inline void EscribePar(unsigned n, char* p) {
    std::memcpy(p, &ParesDeDigitos[2 * std::size_t(n)], 2);
}

} // namespace motor
