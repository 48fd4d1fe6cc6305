// sieve.cpp: the segmented sieve over odd numbers, counting in a range, and pi(n).
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <iterator>
#include <numeric>

#include "primes.hpp"

namespace tk::native {

namespace {

std::uint64_t isqrt_u64(std::uint64_t n) {
    auto r = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(n)));
    while (r > 0 && r > n / r) --r;                  // r * r > n, without overflow
    while (r + 1 <= n / (r + 1)) ++r;                // (r + 1)^2 <= n
    return r;
}

// Sieving primes are found with one plain table of odd flags up to sqrt(hi); above this root the
// range is tested candidate by candidate instead, which bounds that table to 32 MiB.
constexpr std::uint64_t sieve_root_limit = std::uint64_t{1} << 26;

// Testing one odd candidate costs roughly as much as sieving this many odd numbers up to sqrt(hi).
constexpr std::uint64_t test_cost_in_flags = 32;

// The odd primes up to limit (at most sieve_root_limit).
std::vector<std::uint32_t> odd_primes_upto(std::uint64_t limit) {
    std::vector<std::uint32_t> primes;
    if (limit < 3) return primes;
    std::size_t count = static_cast<std::size_t>((limit - 1) / 2);   // flag j stands for 2j + 3
    std::vector<std::uint8_t> composite(count, 0);
    for (std::size_t j = 0; j < count; ++j) {
        if (composite[j]) continue;
        std::uint64_t p = 2 * j + 3;
        primes.push_back(static_cast<std::uint32_t>(p));
        for (std::uint64_t m = (p * p - 3) / 2; m < count; m += p) composite[m] = 1;
    }
    return primes;
}

std::uint64_t count_flags(std::span<const std::uint8_t> flags) {
    return std::accumulate(flags.begin(), flags.end(), std::uint64_t{0});
}

// pi(n) below a few million by lookup: one bit per odd number and a running count per 64-bit
// word (about 0.4 MiB), built by the sieve on first use.
class SmallPrimeCounts {
public:
    static constexpr std::uint64_t limit = prime_table_limit;

    SmallPrimeCounts() : bits_(limit / 128), before_(limit / 128) {
        for_each_prime(3, limit - 1, [this](std::uint64_t p) {
            std::uint64_t j = p / 2;   // bit j stands for 2j + 1
            bits_[j / 64] |= std::uint64_t{1} << (j % 64);
            return true;
        });
        std::uint32_t running = 1;   // the prime 2
        for (std::size_t w = 0; w < bits_.size(); ++w) {
            before_[w] = running;
            running += static_cast<std::uint32_t>(std::popcount(bits_[w]));
        }
    }

    // n in [0, limit).
    bool is_prime(std::uint64_t n) const {
        if ((n & 1) == 0) return n == 2;
        std::uint64_t j = n / 2;
        return (bits_[j / 64] >> (j % 64)) & 1;
    }

    // n in [2, limit).
    std::uint64_t pi(std::uint64_t n) const {
        std::uint64_t j = (n - 1) / 2;   // the odd numbers 1, 3, ..., 2j + 1 are <= n
        std::uint64_t below = ~std::uint64_t{0} >> (63 - j % 64);
        return before_[j / 64] + std::popcount(bits_[j / 64] & below);
    }

private:
    std::vector<std::uint64_t> bits_;
    std::vector<std::uint32_t> before_;
};

const SmallPrimeCounts& small_prime_counts() {
    static const SmallPrimeCounts table;
    return table;
}

}  // namespace

OddPrimeSegments::OddPrimeSegments(std::uint64_t lo, std::uint64_t hi) : hi_(hi) {
    std::uint64_t start = lo < 3 ? 3 : (lo | 1);
    next_first_ = start;
    finished_ = start > hi;
    if (finished_) return;
    std::uint64_t odd_count = (hi - start) / 2 + 1;
    std::uint64_t root = isqrt_u64(hi);
    test_each_ = root > sieve_root_limit || root / test_cost_in_flags > odd_count;
    flags_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(segment_size, odd_count)));
    if (test_each_) return;
    primes_ = odd_primes_upto(root);
    offsets_.resize(primes_.size());
    for (std::size_t j = 0; j < primes_.size(); ++j) {
        // Multiples below p * p are crossed off by smaller primes, so each prime starts at its
        // square or at its first odd multiple in the range, whichever is larger.
        std::uint64_t p = primes_[j];
        if (p * p >= start) {
            offsets_[j] = (p * p - start) / 2;
        } else {
            std::uint64_t gap = (p - start % p) % p;   // start + gap is the first multiple
            offsets_[j] = ((gap & 1) ? gap + p : gap) / 2;
        }
    }
    start_ = start;
}

bool OddPrimeSegments::next() {
    if (finished_) return false;
    first_ = next_first_;
    std::uint64_t remaining = (hi_ - first_) / 2 + 1;
    if (remaining <= segment_size) {
        length_ = static_cast<std::size_t>(remaining);
        finished_ = true;
    } else {
        length_ = segment_size;
        next_first_ = first_ + 2 * segment_size;
    }
    if (test_each_)
        test_segment();
    else
        sieve_segment();
    return true;
}

namespace {
// The flags of the odd numbers with the multiples of the first odd primes crossed off: they
// repeat with the period of their product, so a segment starts as a copy instead of all ones.
constexpr std::uint64_t presieved_primes[] = {3, 5, 7, 11, 13};
constexpr std::uint64_t presieve_period = 3 * 5 * 7 * 11 * 13;   // in odd numbers

// Entry j stands for the odd number 2j + 1 (modulo the period); one period plus one segment.
const std::vector<std::uint8_t>& presieve_pattern() {
    static const std::vector<std::uint8_t> pattern = [] {
        std::vector<std::uint8_t> p(presieve_period + OddPrimeSegments::segment_size);
        for (std::size_t j = 0; j < p.size(); ++j) {
            std::uint64_t q = 2 * static_cast<std::uint64_t>(j) + 1;
            p[j] = 1;
            for (std::uint64_t d : presieved_primes)
                if (q % d == 0) p[j] = 0;
        }
        return p;
    }();
    return pattern;
}
}  // namespace

void OddPrimeSegments::sieve_segment() {
    std::uint64_t base = (first_ - start_) / 2;   // index of first_ among the range's odd numbers
    std::uint64_t last = first_ + 2 * static_cast<std::uint64_t>(length_ - 1);
    std::uint8_t* flags = flags_.data();
    std::size_t phase = static_cast<std::size_t>(((first_ - 1) / 2) % presieve_period);
    std::memcpy(flags, presieve_pattern().data() + phase, length_);
    for (std::uint64_t p : presieved_primes)   // the pattern crossed off these primes too
        if (p >= first_ && p <= last) flags[(p - first_) / 2] = 1;
    while (active_ < primes_.size() &&
           static_cast<std::uint64_t>(primes_[active_]) * primes_[active_] <= last)
        ++active_;
    std::size_t from = 0;   // the presieved primes need no crossing off
    while (from < active_ && primes_[from] <= presieved_primes[std::size(presieved_primes) - 1]) ++from;
    for (std::size_t j = from; j < active_; ++j) {
        std::size_t p = primes_[j];
        std::uint64_t offset = offsets_[j];
        if (offset >= base + length_) continue;
        std::size_t i = static_cast<std::size_t>(offset - base);
        for (; i < length_; i += p) flags[i] = 0;
        offsets_[j] = base + i;
    }
}

void OddPrimeSegments::test_segment() {
    for (std::size_t i = 0; i < length_; ++i)
        flags_[i] = is_prime_u64(first_ + 2 * static_cast<std::uint64_t>(i));
}

std::optional<std::uint64_t> count_primes(std::uint64_t lo, std::uint64_t hi, KeepGoing keep_going) {
    if (lo > hi || hi < 2) return 0;
    std::uint64_t count = lo <= 2 ? 1 : 0;
    OddPrimeSegments segments(lo, hi);
    while (segments.next()) {
        if (!keep_going()) return std::nullopt;
        count += count_flags(segments.flags());
    }
    return count;
}

// Lucy's method: S(v) counts the integers in [2, v] that no prime below p divides, for every v
// of the form n / i; removing the multiples of each prime p <= sqrt(n) in turn leaves pi(v).
// Values up to sqrt(n) are kept by value, the others by i.
std::optional<std::uint64_t> prime_pi(std::uint64_t n, KeepGoing keep_going) {
    if (n < 2) return 0;
    if (n < SmallPrimeCounts::limit) return small_prime_counts().pi(n);
    std::uint64_t r = isqrt_u64(n);
    std::size_t size = static_cast<std::size_t>(r) + 1;
    std::vector<std::uint64_t> small(size), large(size);
    for (std::uint64_t v = 1; v <= r; ++v) {
        small[v] = v - 1;
        large[v] = n / v - 1;
    }
    for (std::uint64_t p = 2; p <= r; ++p) {
        if (small[p] == small[p - 1]) continue;   // p is not prime
        if (!keep_going()) return std::nullopt;
        std::uint64_t below_p = small[p - 1];
        std::uint64_t square = p * p;
        std::uint64_t i_end = std::min(r, n / square);
        for (std::uint64_t i = 1; i <= i_end; ++i) {
            std::uint64_t ip = i * p;
            std::uint64_t quotient_count = ip <= r ? large[ip] : small[n / ip];
            large[i] -= quotient_count - below_p;
        }
        for (std::uint64_t v = r; v >= square; --v) small[v] -= small[v / p] - below_p;
    }
    return large[1];
}

std::optional<std::uint64_t> prime_position(std::uint64_t n, KeepGoing keep_going) {
    if (n < SmallPrimeCounts::limit) {
        const SmallPrimeCounts& table = small_prime_counts();
        return table.is_prime(n) ? table.pi(n) : 0;
    }
    if (!is_prime_u64(n)) return 0;
    return prime_pi(n, keep_going);
}

}  // namespace tk::native
