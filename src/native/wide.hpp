// wide.hpp: the 128-bit product of two 64-bit words and the remainder of a 128-bit value by a
// 64-bit modulus. The compiler's unsigned __int128 is used where it exists; the portable
// versions (four 32-bit products, long division by halves) are always compiled so that both
// can be tested against each other. Define TK_NATIVE_NO_INT128 to build without __int128.
#pragma once

#include <bit>
#include <cstdint>

#if defined(__SIZEOF_INT128__) && !defined(TK_NATIVE_NO_INT128)
#define TK_NATIVE_HAVE_INT128 1
#else
#define TK_NATIVE_HAVE_INT128 0
#endif

namespace tk::native {

// A 128-bit unsigned value as two 64-bit halves.
struct Wide {
    std::uint64_t hi = 0;
    std::uint64_t lo = 0;
    friend constexpr bool operator==(const Wide&, const Wide&) = default;
};

constexpr bool less(Wide a, Wide b) { return a.hi < b.hi || (a.hi == b.hi && a.lo < b.lo); }

constexpr Wide add(Wide a, Wide b) {
    std::uint64_t lo = a.lo + b.lo;
    return {a.hi + b.hi + (lo < a.lo), lo};
}

constexpr Wide sub(Wide a, Wide b) { return {a.hi - b.hi - (a.lo < b.lo), a.lo - b.lo}; }

// The full product a * b, from four 32-bit partial products.
constexpr Wide mul_wide_portable(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t mask = 0xffffffffu;
    std::uint64_t a0 = a & mask, a1 = a >> 32, b0 = b & mask, b1 = b >> 32;
    std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    // The middle column collects at most three 32-bit quantities, so it cannot overflow.
    std::uint64_t middle = (p00 >> 32) + (p01 & mask) + (p10 & mask);
    return {p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32), (middle << 32) | (p00 & mask)};
}

// (hi * 2^64 + lo) mod m for m > 0, by schoolbook division in 32-bit digits (the quotient
// digit is estimated from the normalised divisor's top half and corrected at most twice).
constexpr std::uint64_t rem_wide_portable(Wide x, std::uint64_t m) {
    std::uint64_t hi = x.hi % m, lo = x.lo;
    if (hi == 0) return lo % m;
    const std::uint64_t base = std::uint64_t{1} << 32;
    int s = std::countl_zero(m);
    std::uint64_t v = m << s;
    std::uint64_t vn1 = v >> 32, vn0 = v & (base - 1);
    std::uint64_t un32 = s == 0 ? hi : (hi << s) | (lo >> (64 - s));
    std::uint64_t un10 = lo << s;
    std::uint64_t un1 = un10 >> 32, un0 = un10 & (base - 1);

    std::uint64_t q1 = un32 / vn1, rhat = un32 - q1 * vn1;
    while (q1 >= base || q1 * vn0 > ((rhat << 32) | un1)) {
        --q1;
        rhat += vn1;
        if (rhat >= base) break;
    }
    // The true value of un21 is below v, so the wrapped 64-bit arithmetic gives it exactly.
    std::uint64_t un21 = (un32 << 32) + un1 - q1 * v;
    std::uint64_t q0 = un21 / vn1;
    rhat = un21 - q0 * vn1;
    while (q0 >= base || q0 * vn0 > ((rhat << 32) | un0)) {
        --q0;
        rhat += vn1;
        if (rhat >= base) break;
    }
    return ((un21 << 32) + un0 - q0 * v) >> s;
}

#if TK_NATIVE_HAVE_INT128
__extension__ typedef unsigned __int128 uint128_t;

inline Wide mul_wide(std::uint64_t a, std::uint64_t b) {
    uint128_t p = static_cast<uint128_t>(a) * b;
    return {static_cast<std::uint64_t>(p >> 64), static_cast<std::uint64_t>(p)};
}

inline std::uint64_t rem_wide(Wide x, std::uint64_t m) {
    return static_cast<std::uint64_t>(((static_cast<uint128_t>(x.hi) << 64) | x.lo) % m);
}
#else
inline Wide mul_wide(std::uint64_t a, std::uint64_t b) { return mul_wide_portable(a, b); }
inline std::uint64_t rem_wide(Wide x, std::uint64_t m) { return rem_wide_portable(x, m); }
#endif

inline std::uint64_t mul_high(std::uint64_t a, std::uint64_t b) { return mul_wide(a, b).hi; }

}  // namespace tk::native
