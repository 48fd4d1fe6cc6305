// trial_division.cpp: primality as trial division with a floating-point bound answers it.
#include "trial_division.hpp"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>

#include "montgomery.hpp"

// The bound must be floor(sqrt(x)) with x and its root each rounded to double, as the
// interpreter's floats are; wider intermediates (x87) give other bounds.
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD >= 2
#error "double arithmetic must round to double here: on 32-bit x86 build with -msse2 -mfpmath=sse"
#endif

namespace tk::native {

namespace {

bool fits_64(Wide n) { return n.hi == 0; }

Wide square(std::uint64_t r) { return mul_wide(r, r); }

// Whether trial division passes a composite n whose integer root is r and whose tried bound is
// m < r: exactly when its smallest divisor lies in (m, r] and both it and its cofactor are prime.
template <class IsPrimeCofactor>
bool escapes(Wide n, std::uint64_t m, std::uint64_t r, IsPrimeCofactor is_prime_cofactor) {
    for (std::uint64_t d = m + 1; d <= r; ++d) {
        if (rem_wide(n, d) != 0) continue;
        // d divides n exactly, so for an odd d the cofactor is n times d's inverse mod 2^64.
        if (d % 2 == 0 || !is_prime_u64(d)) return false;
        return is_prime_cofactor(n.lo * Montgomery64::inverse_mod_word(d));
    }
    return false;
}

}  // namespace

double nearest_double(Wide n) {
    if (fits_64(n)) return static_cast<double>(n.lo);
    // Keep the top 64 bits and fold the rest into a sticky low bit, which rounds the same way.
    int shift = 64 - std::countl_zero(n.hi);
    std::uint64_t top = shift == 64 ? n.hi : (n.hi << (64 - shift)) | (n.lo >> shift);
    std::uint64_t rest = shift == 64 ? n.lo : n.lo & ((std::uint64_t{1} << shift) - 1);
    return std::ldexp(static_cast<double>(top | (rest != 0)), shift);
}

std::uint64_t integer_root(Wide n) {
    // The float root is within one of the integer root for every n below 2^126.
    std::uint64_t r = static_cast<std::uint64_t>(std::sqrt(nearest_double(n)));
    while (less(n, square(r))) --r;
    while (!less(n, square(r + 1))) ++r;
    return r;
}

std::uint64_t integer_root(std::uint64_t n) { return integer_root(Wide{0, n}); }

std::uint64_t trial_bound(Wide n) {
    return static_cast<std::uint64_t>(std::floor(std::sqrt(nearest_double(n))));
}

bool trial_division_passes(std::uint64_t n) {
    if (n < exact_root_limit) return is_prime_u64(n);
    if (is_prime_u64(n)) return true;
    Wide wide{0, n};
    std::uint64_t m = trial_bound(wide), r = integer_root(n);
    return m < r && escapes(wide, m, r, is_prime_u64);
}

bool trial_division_passes(Wide n) {
    if (fits_64(n)) return trial_division_passes(n.lo);
    if (is_prime_wide(n)) return true;
    std::uint64_t m = trial_bound(n), r = integer_root(n);
    return m < r && escapes(n, m, r, is_prime_u64);
}

std::vector<std::uint64_t> trial_division_impostors(std::uint64_t lo, std::uint64_t hi) {
    std::vector<std::uint64_t> found;
    lo = std::max(lo, exact_root_limit);
    if (lo > hi) return found;
    // An impostor is r * r or r * (r + 2) where r is its integer root, and the float root of
    // every smaller product of that form lies below lo.
    const std::uint64_t last = integer_root(hi);
    for (std::uint64_t r = integer_root(lo); r <= last; ++r) {
        for (std::uint64_t other : {r, r + 2}) {
            Wide n = mul_wide(r, other);
            if (!fits_64(n) || n.lo < lo || n.lo > hi) continue;
            if (trial_bound(n) < r && trial_division_passes(n.lo)) found.push_back(n.lo);
        }
    }
    return found;
}

PassingValues::PassingValues(std::uint64_t lo, std::uint64_t hi)
    : segments_(lo, hi), impostors_(trial_division_impostors(lo, hi)),
      two_pending_(lo <= 2 && hi >= 2) {}

void PassingValues::fill(std::vector<std::uint64_t>& out, std::size_t at_least,
                         KeepGoing keep_going) {
    while (out.size() < at_least && !exhausted() && keep_going())
        visit_segment([&](std::uint64_t v) {
            out.push_back(v);
            return true;
        });
}

std::optional<std::uint64_t> next_passing(std::uint64_t n) {
    std::optional<std::uint64_t> p = next_prime_u64(n);
    if (!p) return std::nullopt;
    std::vector<std::uint64_t> between = trial_division_impostors(n + 1, *p);
    return between.empty() ? p : between.front();
}

std::optional<std::uint64_t> prev_passing(std::uint64_t n) {
    if (n <= 2) return std::nullopt;
    std::optional<std::uint64_t> p = prev_prime_u64(n);
    std::vector<std::uint64_t> between = trial_division_impostors(*p, n - 1);
    return between.empty() ? p : between.back();
}

std::optional<std::uint64_t> count_passing(std::uint64_t n, KeepGoing keep_going) {
    std::optional<std::uint64_t> primes = prime_pi(n, keep_going);
    if (!primes) return std::nullopt;
    return *primes + trial_division_impostors(2, n).size();
}

std::optional<std::uint64_t> passing_position(std::uint64_t n, KeepGoing keep_going) {
    if (n < exact_root_limit) return prime_position(n, keep_going);
    if (!trial_division_passes(n)) return 0;
    return count_passing(n, keep_going);
}

}  // namespace tk::native
