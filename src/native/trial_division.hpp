// trial_division.hpp: the answers of trial division by every integer from 2 to
// floor(sqrt(n)), with the root taken in floating point as the interpreter's math.sqrt takes it.
// Below 2^52 that is primality. Above, the rounded root can fall one below the integer root,
// and then a product r * r or r * (r + 2) of primes escapes: such an impostor counts as prime.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "primes.hpp"

namespace tk::native {

// Below this every answer is primality: the float root is at least the integer root.
inline constexpr std::uint64_t exact_root_limit = std::uint64_t{1} << 52;

// The double nearest to n, ties to even (how the interpreter turns an int into a float).
double nearest_double(Wide n);
// floor(sqrt(n)).
std::uint64_t integer_root(std::uint64_t n);
std::uint64_t integer_root(Wide n);
// The last divisor that trial division tries: floor(sqrt(nearest_double(n))).
std::uint64_t trial_bound(Wide n);

// Whether trial division finds no divisor of n (n <= 1 answers false before dividing).
bool trial_division_passes(std::uint64_t n);
// The same for n below wide_prime_limit.
bool trial_division_passes(Wide n);

// The composites of [lo, hi] that trial division passes, ascending (none below 2^52).
std::vector<std::uint64_t> trial_division_impostors(std::uint64_t lo, std::uint64_t hi);

// The smallest value above n / the largest below n that trial division passes; nothing when
// it does not fit in 64 bits / when there is none.
std::optional<std::uint64_t> next_passing(std::uint64_t n);
std::optional<std::uint64_t> prev_passing(std::uint64_t n);

// How many values of [2, n] pass, or nothing when keep_going said stop.
std::optional<std::uint64_t> count_passing(std::uint64_t n, KeepGoing keep_going = {});
// count_passing(n) when n passes, 0 when it does not; nothing when keep_going said stop.
std::optional<std::uint64_t> passing_position(std::uint64_t n, KeepGoing keep_going = {});

// Calls visit(v) for every v of [lo, hi] that passes, ascending; visit returns false to stop.
// Returns false when stopped.
template <class Visit>
bool for_each_passing(std::uint64_t lo, std::uint64_t hi, Visit&& visit) {
    std::vector<std::uint64_t> impostors = trial_division_impostors(lo, hi);
    std::size_t next = 0;
    bool going = for_each_prime(lo, hi, [&](std::uint64_t p) {
        for (; next < impostors.size() && impostors[next] < p; ++next)
            if (!visit(impostors[next])) return false;
        return visit(p);
    });
    for (; going && next < impostors.size(); ++next) going = visit(impostors[next]);
    return going;
}

}  // namespace tk::native
