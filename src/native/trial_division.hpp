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

// The values of [lo, hi] that pass, ascending, one segment of the sieve at a time: a caller can
// take them in pieces and do something else between pieces (take a lock, build results).
class PassingValues {
public:
    PassingValues(std::uint64_t lo, std::uint64_t hi);

    // Whether every value has been visited.
    bool exhausted() const { return !two_pending_ && segments_.finished(); }

    // Visits the values up to the end of the next segment, ascending; visit returns false to
    // stop early. Returns false when stopped.
    template <class Visit>
    bool visit_segment(Visit&& visit) {
        if (two_pending_) {
            two_pending_ = false;
            if (!visit(std::uint64_t{2})) return false;
        }
        if (!segments_.next()) return true;
        auto impostor_up_to = [&](std::uint64_t v) {
            return next_impostor_ < impostors_.size() && impostors_[next_impostor_] <= v;
        };
        bool going = visit_segment_primes(segments_, [&](std::uint64_t p) {   // p >= 3
            for (; impostor_up_to(p - 1); ++next_impostor_)
                if (!visit(impostors_[next_impostor_])) return false;
            return visit(p);
        });
        // impostors are odd, so each lies in a segment: the rest of this one's come last
        const std::uint64_t last = segments_.first() + 2 * (segments_.flags().size() - 1);
        for (; going && impostor_up_to(last); ++next_impostor_)
            going = visit(impostors_[next_impostor_]);
        return going;
    }

    // Appends the values of the next segments to `out` until it holds at least `at_least`, the
    // range is exhausted, or keep_going (asked before each segment) says stop.
    void fill(std::vector<std::uint64_t>& out, std::size_t at_least, KeepGoing keep_going = {});

private:
    OddPrimeSegments segments_;
    std::vector<std::uint64_t> impostors_;
    std::size_t next_impostor_ = 0;
    bool two_pending_;
};

// Calls visit(v) for every v of [lo, hi] that passes, ascending; visit returns false to stop.
// Returns false when stopped.
template <class Visit>
bool for_each_passing(std::uint64_t lo, std::uint64_t hi, Visit&& visit) {
    PassingValues values(lo, hi);
    while (!values.exhausted())
        if (!values.visit_segment(visit)) return false;
    return true;
}

}  // namespace tk::native
