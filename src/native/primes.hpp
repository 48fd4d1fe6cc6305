// primes.hpp: number-theory kernels on machine words: modular arithmetic, deterministic
// primality, prime stepping, a segmented sieve, prime counting and Pollard's rho walk.
// Nothing here knows about Python; long computations poll a KeepGoing check so that a caller
// can abandon them (for instance when a signal is pending).
#pragma once

#include <bit>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <type_traits>
#include <vector>

#include "wide.hpp"

namespace tk::native {

// The bytes of v in the opposite order (what C++23 calls std::byteswap).
constexpr std::uint64_t byteswap64(std::uint64_t v) {
    std::uint64_t r = 0;
    for (int i = 0; i < 8; ++i, v >>= 8) r = (r << 8) | (v & 0xff);
    return r;
}

// Eight flags, each 0 or 1, as the bits of one byte (flag j as bit j): the multiplication moves
// byte j's low bit to bit 56 + j, and no two partial products meet below bit 64.
inline std::uint64_t pack_flags(const std::uint8_t* flags) {
    std::uint64_t word;
    std::memcpy(&word, flags, 8);
    if constexpr (std::endian::native == std::endian::big) word = byteswap64(word);
    return (word * 0x0102040810204080u) >> 56;
}

// A non-owning "may the kernel go on?" check. A default-constructed one always says yes.
class KeepGoing {
public:
    KeepGoing() = default;
    template <class F>
        requires(!std::same_as<std::remove_cvref_t<F>, KeepGoing> && std::invocable<F&>)
    KeepGoing(F& check)  // NOLINT: implicit, so that a lambda can be passed directly
        : context_(&check), call_([](void* c) { return static_cast<bool>((*static_cast<F*>(c))()); }) {}

    bool operator()() const { return call_ == nullptr || call_(context_); }

private:
    void* context_ = nullptr;
    bool (*call_)(void*) = nullptr;
};

// ---- modular arithmetic on 64-bit words (m > 0; operands of any size are reduced first) ----

std::uint64_t mulmod(std::uint64_t a, std::uint64_t b, std::uint64_t m);
// a^e mod m; a^0 is 1 % m.
std::uint64_t powmod(std::uint64_t a, std::uint64_t e, std::uint64_t m);
// Greatest common divisor, with gcd(0, b) = b and gcd(a, 0) = a.
std::uint64_t gcd_u64(std::uint64_t a, std::uint64_t b);

// ---- primality ----

// Exact for every 64-bit n: trial division by the primes below 128, then Miller-Rabin with base
// sets proven for the range (2, 7, 61 below 4759123141; 2, 13, 23, 1662803 below 1122004669633;
// Sinclair's seven bases for the rest of the 64-bit range).
bool is_prime_u64(std::uint64_t n);

// The first composite that passes Miller-Rabin for the first 13 primes as bases
// (3317044064679887385961981); below it those bases decide primality exactly.
inline constexpr Wide wide_prime_limit{179817, 5885577656943027709u};

// Exact primality of a value below wide_prime_limit given as two halves (the result for larger
// values is that of the 13-base test, which is not a proof).
bool is_prime_wide(Wide n);

// The smallest prime above n, or nothing when it does not fit in 64 bits.
std::optional<std::uint64_t> next_prime_u64(std::uint64_t n);
// The largest prime below n, or nothing when n <= 2.
std::optional<std::uint64_t> prev_prime_u64(std::uint64_t n);

// ---- enumeration and counting ----

// The odd primes of [lo, hi] one segment at a time. Memory: the odd primes up to sqrt(hi) plus
// one segment of flags; where sieving up to sqrt(hi) would cost more than the range itself, the
// candidates are tested one by one instead. The prime 2 is not reported here.
class OddPrimeSegments {
public:
    static constexpr std::size_t segment_size = 32768;   // flags per segment (odd numbers)

    OddPrimeSegments(std::uint64_t lo, std::uint64_t hi);

    // Prepares the next segment; false once the range is exhausted.
    bool next();
    // Whether the last segment has been prepared (next() will say false).
    bool finished() const { return finished_; }
    // In the current segment, flags()[i] != 0 exactly when first() + 2 * i is prime.
    std::uint64_t first() const { return first_; }
    std::span<const std::uint8_t> flags() const { return {flags_.data(), length_}; }

private:
    void sieve_segment();
    void test_segment();

    std::uint64_t start_ = 0;    // the first odd number of the range
    std::uint64_t next_first_;   // the odd number that the next segment starts at
    std::uint64_t hi_;
    bool finished_;
    bool test_each_ = false;
    std::uint64_t first_ = 0;
    std::size_t length_ = 0;
    std::vector<std::uint32_t> primes_;    // odd sieving primes, p * p <= hi
    std::vector<std::uint64_t> offsets_;   // index of each prime's next odd multiple from start_
    std::size_t active_ = 0;               // primes whose square lies in a sieved segment
    std::vector<std::uint8_t> flags_;
};

// Calls visit(p) for every prime of the current segment in ascending order; visit returns false
// to stop early. Returns false when stopped.
template <class Visit>
bool visit_segment_primes(const OddPrimeSegments& segments, Visit&& visit) {
    std::span<const std::uint8_t> flags = segments.flags();
    std::uint64_t first = segments.first();
    // sixty-four flags (each 0 or 1) at a time, packed one bit each: the set bits are found by
    // position, so that neither the many zero flags nor the words between primes cost a
    // mispredicted branch each
    std::size_t i = 0;
    for (; i + 64 <= flags.size(); i += 64) {
        std::uint64_t bits = 0;
        for (std::size_t b = 0; b < 8; ++b)
            bits |= pack_flags(flags.data() + i + 8 * b) << (8 * b);
        for (; bits; bits &= bits - 1) {
            std::size_t k = i + static_cast<std::size_t>(std::countr_zero(bits));
            if (!visit(first + 2 * static_cast<std::uint64_t>(k))) return false;
        }
    }
    for (; i < flags.size(); ++i)
        if (flags[i] && !visit(first + 2 * static_cast<std::uint64_t>(i))) return false;
    return true;
}

// Calls visit(p) for every prime p of [lo, hi] in ascending order; visit returns false to stop
// early. Returns false when stopped, true when the range was exhausted.
template <class Visit>
bool for_each_prime(std::uint64_t lo, std::uint64_t hi, Visit&& visit) {
    if (lo > hi || hi < 2) return true;
    if (lo <= 2 && !visit(std::uint64_t{2})) return false;
    OddPrimeSegments segments(lo, hi);
    while (segments.next())
        if (!visit_segment_primes(segments, visit)) return false;
    return true;
}

// The number of primes in [lo, hi], or nothing when keep_going said stop.
std::optional<std::uint64_t> count_primes(std::uint64_t lo, std::uint64_t hi,
                                          KeepGoing keep_going = {});
// Below this, prime counts are looked up in a table (built on first use).
inline constexpr std::uint64_t prime_table_limit = std::uint64_t{1} << 22;

// pi(n), the number of primes <= n: a lookup below prime_table_limit, above
// it Lucy's O(n^3/4) method with O(sqrt n) memory; nothing when keep_going said stop.
std::optional<std::uint64_t> prime_pi(std::uint64_t n, KeepGoing keep_going = {});
// pi(n) when n is prime (its 1-based position among the primes), 0 when it is not; nothing when
// keep_going said stop. Below 2^22 both answers come from the table of prime_pi.
std::optional<std::uint64_t> prime_position(std::uint64_t n, KeepGoing keep_going = {});

// ---- Pollard's rho walk ----

// The state of the walk
//     i = 1; k = 2; y = x0
//     loop: i += 1; x0 = (x0*x0 mod x + c) mod x; d = gcd(|y - x0|, x)
//           if d != 1 and d != x: return d;  if y == x0: return x
//           if i == k: y = x0; k += k
// for 0 < x, 0 <= x0 <= x (gcd(0, x) = x). The fields are the walk's variables between steps.
struct RhoWalk {
    std::uint64_t x = 1;
    std::uint64_t c = 0;
    std::uint64_t x0 = 0;
    std::uint64_t y = 0;
    std::uint64_t i = 1;
    std::uint64_t k = 2;
};

RhoWalk rho_begin(std::uint64_t x, std::uint64_t c, std::uint64_t x0);

// Runs at most max_steps steps: the walk's result, or nothing when the budget ran out (the
// state then stands after exactly max_steps more steps, ready to continue). rho_steps batches
// the gcds over many steps and steps back exactly to the first hit; rho_steps_plain is the
// step-by-step reference. Both return the same value after the same number of steps.
std::optional<std::uint64_t> rho_steps(RhoWalk& walk, std::uint64_t max_steps);
std::optional<std::uint64_t> rho_steps_plain(RhoWalk& walk, std::uint64_t max_steps);

}  // namespace tk::native
