// primes.cpp: modular arithmetic on words, deterministic Miller-Rabin for 64-bit values and for
// values below wide_prime_limit, and stepping to the next or previous prime.
#include "primes.hpp"

#include <array>
#include <bit>
#include <initializer_list>
#include <limits>

#include "montgomery.hpp"

namespace tk::native {

namespace {

constexpr std::uint64_t max_u64 = std::numeric_limits<std::uint64_t>::max();

// A divisibility test by an odd constant p: n is a multiple of p exactly when n * p^-1 (mod 2^64)
// is at most (2^64 - 1) / p, which costs one multiplication instead of a division.
struct OddDivisor {
    std::uint32_t p;
    std::uint64_t inverse;
    std::uint64_t limit;
    constexpr bool divides(std::uint64_t n) const { return n * inverse <= limit; }
};

constexpr std::array<std::uint32_t, 30> small_odd_primes = {
    3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41, 43, 47, 53,
    59, 61, 67, 71, 73, 79, 83, 89, 97, 101, 103, 107, 109, 113, 127};

// Every composite below this has a factor among small_odd_primes (or 2).
constexpr std::uint64_t trial_division_proves_below = 131 * 131;

constexpr std::array<OddDivisor, small_odd_primes.size()> make_odd_divisors() {
    std::array<OddDivisor, small_odd_primes.size()> table{};
    for (std::size_t j = 0; j < small_odd_primes.size(); ++j) {
        std::uint64_t p = small_odd_primes[j];
        table[j] = {small_odd_primes[j], Montgomery64::inverse_mod_word(p), max_u64 / p};
    }
    return table;
}

constexpr auto odd_divisors = make_odd_divisors();

// One strong probable-prime round for odd n with n - 1 = d * 2^s; a base that is a multiple of
// n says nothing and passes.
bool strong_round(const Montgomery64& m, std::uint64_t d, int s, std::uint64_t base) {
    std::uint64_t n = m.modulus();
    std::uint64_t a = base % n;
    if (a == 0) return true;
    std::uint64_t one = m.one(), minus_one = n - one;
    std::uint64_t x = m.pow(m.to(a), d);
    if (x == one || x == minus_one) return true;
    for (int r = 1; r < s; ++r) {
        x = m.mul(x, x);
        if (x == minus_one) return true;
        if (x == one) return false;
    }
    return false;
}

bool miller_rabin_u64(std::uint64_t n, std::initializer_list<std::uint64_t> bases) {
    Montgomery64 m(n);
    int s = std::countr_zero(n - 1);
    std::uint64_t d = (n - 1) >> s;
    for (std::uint64_t base : bases)
        if (!strong_round(m, d, s, base)) return false;
    return true;
}

// ---- arithmetic modulo an odd value below 2^128 in Montgomery form (2^128 as the radix) ----

// a * b + c + d as two words; it cannot overflow: (2^64-1)^2 + 2 (2^64-1) = 2^128 - 1.
inline std::uint64_t multiply_add(std::uint64_t a, std::uint64_t b, std::uint64_t c,
                                  std::uint64_t d, std::uint64_t& carry) {
    Wide p = add(add(mul_wide(a, b), {0, c}), {0, d});
    carry = p.hi;
    return p.lo;
}

class Montgomery128 {
public:
    explicit Montgomery128(Wide n) : n_(n), inverse_(0 - Montgomery64::inverse_mod_word(n.lo)) {
        Wide x{0, 1};
        for (int bit = 0; bit < 128; ++bit) x = add_mod(x, x);
        one_ = x;
    }

    Wide one() const { return one_; }
    Wide minus_one() const { return sub(n_, one_); }

    Wide add_mod(Wide a, Wide b) const {
        Wide s = add(a, b);
        bool carried = less(s, a);
        return (carried || !less(s, n_)) ? sub(s, n_) : s;
    }

    // A small value in Montgomery form: value * 2^128 mod n by doubling and adding.
    Wide from_small(std::uint64_t value) const {
        Wide result{};
        for (int bit = 63 - std::countl_zero(value); bit >= 0; --bit) {
            result = add_mod(result, result);
            if ((value >> bit) & 1) result = add_mod(result, one_);
        }
        return result;
    }

    // a * b / 2^128 mod n for a and b below n (coarsely integrated operand scanning).
    Wide mul(Wide a, Wide b) const {
        std::uint64_t t0 = 0, t1 = 0, t2 = 0, carry = 0;
        for (std::uint64_t bi : {b.lo, b.hi}) {
            t0 = multiply_add(a.lo, bi, t0, 0, carry);
            t1 = multiply_add(a.hi, bi, t1, carry, carry);
            t2 += carry;
            std::uint64_t t3 = t2 < carry;
            std::uint64_t m = t0 * inverse_;
            multiply_add(m, n_.lo, t0, 0, carry);   // the low word vanishes by the choice of m
            t0 = multiply_add(m, n_.hi, t1, carry, carry);
            t1 = t2 + carry;
            t2 = t3 + (t1 < carry);
        }
        Wide t{t1, t0};
        return (t2 != 0 || !less(t, n_)) ? sub(t, n_) : t;
    }

    Wide pow(Wide base, Wide e) const {
        Wide result = one_;
        int bits = e.hi != 0 ? 128 - std::countl_zero(e.hi) : 64 - std::countl_zero(e.lo);
        for (int bit = 0; bit < bits; ++bit) {
            std::uint64_t word = bit < 64 ? e.lo >> bit : e.hi >> (bit - 64);
            if (word & 1) result = mul(result, base);
            if (bit + 1 < bits) base = mul(base, base);
        }
        return result;
    }

private:
    Wide n_;
    std::uint64_t inverse_;   // -n^-1 mod 2^64
    Wide one_;
};

Wide shift_right(Wide x, int s) {
    if (s == 0) return x;
    if (s >= 64) return {0, x.hi >> (s - 64)};
    return {x.hi >> s, (x.lo >> s) | (x.hi << (64 - s))};
}

bool strong_round_wide(const Montgomery128& m, Wide d, int s, std::uint64_t base) {
    Wide one = m.one(), minus_one = m.minus_one();
    Wide x = m.pow(m.from_small(base), d);
    if (x == one || x == minus_one) return true;
    for (int r = 1; r < s; ++r) {
        x = m.mul(x, x);
        if (x == minus_one) return true;
        if (x == one) return false;
    }
    return false;
}

}  // namespace

std::uint64_t mulmod(std::uint64_t a, std::uint64_t b, std::uint64_t m) {
    return rem_wide(mul_wide(a, b), m);
}

std::uint64_t powmod(std::uint64_t a, std::uint64_t e, std::uint64_t m) {
    // m = odd * 2^s: the power modulo the odd part in Montgomery form, modulo 2^s by wrapping
    // word arithmetic, joined by the Chinese remainder theorem.
    int s = std::countr_zero(m);
    std::uint64_t odd = m >> s;
    std::uint64_t by_odd = 0;
    if (odd != 1) {
        Montgomery64 mont(odd);
        by_odd = mont.from(mont.pow(mont.to(a), e));
    }
    if (s == 0) return by_odd;
    std::uint64_t by_power_of_two = 1;
    for (std::uint64_t base = a, bits = e; bits != 0; bits >>= 1) {
        if (bits & 1) by_power_of_two *= base;
        base *= base;
    }
    std::uint64_t mask = (std::uint64_t{1} << s) - 1;
    std::uint64_t t = ((by_power_of_two - by_odd) * Montgomery64::inverse_mod_word(odd)) & mask;
    return by_odd + odd * t;   // below odd * 2^s = m
}

std::uint64_t gcd_u64(std::uint64_t a, std::uint64_t b) {
    if (a == 0) return b;
    if (b == 0) return a;
    int shift = std::countr_zero(a | b);
    a >>= std::countr_zero(a);
    do {
        b >>= std::countr_zero(b);
        if (a > b) std::swap(a, b);
        b -= a;
    } while (b != 0);
    return a << shift;
}

bool is_prime_u64(std::uint64_t n) {
    if (n < 2) return false;
    if ((n & 1) == 0) return n == 2;
    for (const OddDivisor& d : odd_divisors)
        if (d.divides(n)) return n == d.p;
    if (n < trial_division_proves_below) return true;
    if (n < 4759123141u) return miller_rabin_u64(n, {2, 7, 61});
    if (n < 1122004669633u) return miller_rabin_u64(n, {2, 13, 23, 1662803});
    return miller_rabin_u64(n, {2, 325, 9375, 28178, 450775, 9780504, 1795265022});
}

bool is_prime_wide(Wide n) {
    if (n.hi == 0) return is_prime_u64(n.lo);
    if ((n.lo & 1) == 0) return false;
    for (std::uint32_t p : small_odd_primes)
        if (rem_wide(n, p) == 0) return false;
    Montgomery128 m(n);
    Wide n_minus_one = sub(n, {0, 1});
    int s = n_minus_one.lo != 0 ? std::countr_zero(n_minus_one.lo)
                                : 64 + std::countr_zero(n_minus_one.hi);
    Wide d = shift_right(n_minus_one, s);
    for (std::uint64_t base : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41})
        if (!strong_round_wide(m, d, s, base)) return false;
    return true;
}

std::optional<std::uint64_t> next_prime_u64(std::uint64_t n) {
    constexpr std::uint64_t largest_prime = max_u64 - 58;   // 2^64 - 59
    if (n >= largest_prime) return std::nullopt;
    if (n < 2) return 2;
    std::uint64_t candidate = (n + 1) | 1;   // the next odd number above n
    while (!is_prime_u64(candidate)) candidate += 2;
    return candidate;
}

std::optional<std::uint64_t> prev_prime_u64(std::uint64_t n) {
    if (n <= 2) return std::nullopt;
    if (n == 3) return 2;
    std::uint64_t candidate = (n - 2) | 1;   // the largest odd number below n
    while (!is_prime_u64(candidate)) candidate -= 2;
    return candidate;
}

}  // namespace tk::native
