// montgomery.hpp: arithmetic modulo an odd 64-bit n in Montgomery form (x stands for x * 2^64
// mod n), which replaces each 128-by-64 division of a modular product by two multiplications.
#pragma once

#include <cstdint>

#include "wide.hpp"

namespace tk::native {

class Montgomery64 {
public:
    // n must be odd; every n below 2^64 is allowed.
    explicit Montgomery64(std::uint64_t n) : n_(n), inverse_(inverse_mod_word(n)) {
        one_ = (0 - n) % n;              // 2^64 mod n
        r2_ = rem_wide({one_, 0}, n);    // 2^128 mod n
    }

    std::uint64_t modulus() const { return n_; }
    std::uint64_t one() const { return one_; }

    // Converts a value (of any size) into Montgomery form and back.
    std::uint64_t to(std::uint64_t a) const { return mul(a % n_, r2_); }
    std::uint64_t from(std::uint64_t a) const { return reduce({0, a}); }

    // a * b / 2^64 mod n, for a and b below n.
    std::uint64_t mul(std::uint64_t a, std::uint64_t b) const { return reduce(mul_wide(a, b)); }

    // a * b / 2^64 + c modulo n, left unreduced in (c, 2n + c), for a * b below n * 2^64 and n
    // below 2^64 / 3: without the final subtraction, and with c added off the chain of the
    // products, a walk of squarings gets a shorter critical path.
    std::uint64_t mul_unreduced(std::uint64_t a, std::uint64_t b, std::uint64_t c = 0) const {
        Wide t = mul_wide(a, b);
        std::uint64_t m = t.lo * inverse_;
        return (t.hi + n_ + c) - mul_high(m, n_);
    }

    std::uint64_t add(std::uint64_t a, std::uint64_t b) const {
        std::uint64_t s = a + b;
        return (s < a || s >= n_) ? s - n_ : s;
    }

    // base^e in Montgomery form, base already in Montgomery form.
    std::uint64_t pow(std::uint64_t base, std::uint64_t e) const {
        std::uint64_t result = one_;
        while (e != 0) {
            if (e & 1) result = mul(result, base);
            base = mul(base, base);
            e >>= 1;
        }
        return result;
    }

    // The inverse of an odd word modulo 2^64, by Newton's iteration (each step doubles the
    // number of correct low bits, starting from 5 correct bits).
    static constexpr std::uint64_t inverse_mod_word(std::uint64_t n) {
        std::uint64_t x = (3 * n) ^ 2;
        for (int i = 0; i < 4; ++i) x *= 2 - n * x;
        return x;
    }

private:
    // t / 2^64 mod n for t below n * 2^64: subtracting m * n, whose low word equals t's, leaves
    // the high words' difference, which lies in (-n, n).
    std::uint64_t reduce(Wide t) const {
        std::uint64_t m = t.lo * inverse_;
        std::uint64_t mn_hi = mul_high(m, n_);
        std::uint64_t r = t.hi - mn_hi;
        return t.hi < mn_hi ? r + n_ : r;
    }

    std::uint64_t n_;
    std::uint64_t inverse_;   // n^-1 mod 2^64
    std::uint64_t one_;
    std::uint64_t r2_;
};

}  // namespace tk::native
