// test_kernels.cpp: checks of the number-theory kernels against brute force and known numbers.
// Without arguments it runs every check and ends with "N passed, N failed". With --eval it
// answers one query per input line (see eval_line) so that tests in Python can compare the
// kernels with references written there.
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "montgomery.hpp"
#include "primes.hpp"
#include "trial_division.hpp"
#include "wide.hpp"

using namespace tk::native;

namespace {

int passed = 0, failed = 0;

void check(bool ok, const char* what, unsigned long long value = 0) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("FAILED: %s (%llu)\n", what, value);
    }
}

// splitmix64: reproducible random words.
struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15u);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
        return z ^ (z >> 31);
    }
    std::uint64_t below(std::uint64_t n) { return next() % n; }
    // A word of a random bit length, so that small and large values both occur.
    std::uint64_t any_size() { return next() >> below(64); }
};

constexpr std::uint64_t max_u64 = ~std::uint64_t{0};
using U64s = std::initializer_list<std::uint64_t>;

// a * b mod m by doubling, with no wide arithmetic at all.
std::uint64_t mulmod_by_doubling(std::uint64_t a, std::uint64_t b, std::uint64_t m) {
    auto add_mod = [m](std::uint64_t x, std::uint64_t y) {
        std::uint64_t s = x + y;
        return (s < x || s >= m) ? s - m : s;
    };
    std::uint64_t result = 0;
    a %= m;
    for (; b != 0; b >>= 1) {
        if (b & 1) result = add_mod(result, a);
        a = add_mod(a, a);
    }
    return result;
}

std::vector<std::uint8_t> plain_sieve(std::uint64_t n) {
    std::vector<std::uint8_t> prime(n + 1, 1);
    prime[0] = 0;
    if (n >= 1) prime[1] = 0;
    for (std::uint64_t p = 2; p * p <= n; ++p)
        if (prime[p])
            for (std::uint64_t m = p * p; m <= n; m += p) prime[m] = 0;
    return prime;
}

// Primality of every number of [lo, lo + width) by crossing off multiples of all primes up to
// sqrt(lo + width), found by plain_sieve.
std::vector<std::uint8_t> window_sieve(std::uint64_t lo, std::uint64_t width) {
    std::uint64_t root = 1;
    while (root * root < lo + width) ++root;
    std::vector<std::uint8_t> small = plain_sieve(root);
    std::vector<std::uint8_t> prime(width, 1);
    for (std::uint64_t p = 2; p <= root; ++p) {
        if (!small[p]) continue;
        std::uint64_t m = std::max(p * p, (lo + p - 1) / p * p);
        for (; m < lo + width; m += p) prime[m - lo] = 0;
    }
    for (std::uint64_t n = lo; n < 2 && n < lo + width; ++n) prime[n - lo] = 0;
    return prime;
}

void check_wide_arithmetic() {
    Random random{1};
    const std::uint64_t edges[] = {0, 1, 2, 3, 0xffffffffu, 0x100000000u, max_u64 - 1, max_u64,
                                   0x8000000000000000u, 0x7fffffffffffffffu};
    std::vector<std::uint64_t> values(std::begin(edges), std::end(edges));
    for (int j = 0; j < 400; ++j) values.push_back(random.any_size());
    int products_ok = 0, remainders_ok = 0;
    for (std::uint64_t a : values) {
        for (std::uint64_t b : values) {
            std::uint64_t m = b == 0 ? 1 : b;
#if defined(__SIZEOF_INT128__)
            __extension__ typedef unsigned __int128 u128;
            u128 p = static_cast<u128>(a) * b;
            Wide w = mul_wide_portable(a, b);
            products_ok += w.hi == static_cast<std::uint64_t>(p >> 64) &&
                           w.lo == static_cast<std::uint64_t>(p);
            Wide x{a, b};   // any 128-bit value
            remainders_ok += rem_wide_portable(x, m) ==
                             static_cast<std::uint64_t>(((static_cast<u128>(a) << 64) | b) % m);
#else
            products_ok += mul_wide(a, b) == mul_wide_portable(a, b);
            remainders_ok += true;
#endif
            if (a < 64) check(mulmod(a * 0x9e3779b97f4a7c15u, b, m) ==
                                  mulmod_by_doubling(a * 0x9e3779b97f4a7c15u, b, m),
                              "mulmod against doubling", b);
        }
    }
    std::size_t cases = values.size() * values.size();
    check(products_ok == static_cast<int>(cases), "portable product against the compiler's");
    check(remainders_ok == static_cast<int>(cases), "portable remainder against the compiler's");
    for (int j = 0; j < 2000; ++j) {
        std::uint64_t n = random.next() | 1;
        check(n * Montgomery64::inverse_mod_word(n) == 1, "inverse modulo 2^64", n);
    }
}

void check_powmod_and_gcd() {
    Random random{2};
    for (int j = 0; j < 3000; ++j) {
        std::uint64_t a = random.any_size(), e = random.any_size(), m = random.any_size();
        if (m == 0) m = 1;
        std::uint64_t expected = 1 % m, base = a % m;
        for (std::uint64_t bits = e; bits != 0; bits >>= 1) {
            if (bits & 1) expected = mulmod_by_doubling(expected, base, m);
            base = mulmod_by_doubling(base, base, m);
        }
        check(powmod(a, e, m) == expected, "powmod", m);
        std::uint64_t x = a, y = m;
        while (y != 0) {
            std::uint64_t t = x % y;
            x = y;
            y = t;
        }
        check(gcd_u64(a, m) == x && gcd_u64(m, a) == x, "gcd", a);
    }
    check(powmod(5, 0, 1) == 0 && powmod(0, 0, 7) == 1 && powmod(max_u64, 2, max_u64) == 0,
          "powmod corners");
    check(gcd_u64(0, 0) == 0 && gcd_u64(0, 9) == 9 && gcd_u64(9, 0) == 9, "gcd with zero");
}

void check_primality() {
    const std::uint64_t limit = 3000000;
    std::vector<std::uint8_t> prime = plain_sieve(limit);
    int agree = 0;
    for (std::uint64_t n = 0; n <= limit; ++n) agree += is_prime_u64(n) == (prime[n] != 0);
    check(agree == static_cast<int>(limit + 1), "is_prime_u64 against the sieve below 3e6");
    // Windows across the switches between base sets, checked against a window sieve.
    for (std::uint64_t lo : U64s{4759123141u - 20000, 1122004669633u - 20000, 1000000000000u,
                             std::uint64_t{1} << 40}) {
        std::vector<std::uint8_t> window = window_sieve(lo, 40000);
        int same = 0;
        for (std::uint64_t j = 0; j < window.size(); ++j)
            same += is_prime_u64(lo + j) == (window[j] != 0);
        check(same == 40000, "is_prime_u64 against a window sieve", lo);
    }
    // Carmichael numbers and strong pseudoprimes to the first 1, 4, 5, 6, 8 and 11 prime bases
    // and to the smaller base sets used here.
    for (std::uint64_t n : U64s{561u, 1105u, 1729u, 2465u, 2821u, 6601u, 8911u, 41041u, 825265u,
                            321197185u, 2047u, 3277u, 4033u, 1373653u, 25326001u, 3215031751u,
                            4759123141u})
        check(!is_prime_u64(n), "pseudoprime rejected", n);
    for (std::uint64_t n : U64s{5394826801u, 232250619601u, 9746347772161u, 1122004669633u,
                            2152302898747u, 3474749660383u, 341550071728321u,
                            3825123056546413051u})
        check(!is_prime_u64(n), "pseudoprime rejected", n);
    for (std::uint64_t n : U64s{2u, 3u, 131u, 17159u, 2147483647u, 4294967291u, 4294967311u,
                            1000000000039u, 2305843009213693951u, 18446744073709551557u})
        check(is_prime_u64(n), "prime accepted", n);
    check(!is_prime_u64(max_u64) && !is_prime_u64(131u * 131u) && !is_prime_u64(4294967297u),
          "composites near powers of two");
}

void check_wide_primality() {
    Wide psi12{17274, 16800704772356552677u};          // 318665857834031151167461
    Wide psi13 = wide_prime_limit;                     // 1287836182261 * 2575672364521
    check(less(psi12, psi13), "pseudoprime order");
    check(!is_prime_wide(psi12), "first 13 bases reject the 12-base pseudoprime");
    // The limit itself passes all 13 bases: this checks the rounds, not primality.
    check(is_prime_wide(psi13), "13-base pseudoprime passes the 13 rounds");
    check(is_prime_wide({1, 13}) && !is_prime_wide({1, 11}) && !is_prime_wide({1, 1}),
          "numbers just above 2^64");
    check(is_prime_wide({0, 18446744073709551557u}) && !is_prime_wide({0, max_u64}),
          "values that fit one word");
    // 2^67 - 1 = 193707721 * 761838257287; 2^61 - 1 squared is composite too.
    check(!is_prime_wide({7, max_u64}), "2^67 - 1");
    Wide square = mul_wide(2305843009213693951u, 2305843009213693951u);
    check(!is_prime_wide(square), "square of a prime");
}

void check_stepping() {
    Random random{3};
    for (int j = 0; j < 3000; ++j) {
        std::uint64_t n = random.any_size();
        if (n > max_u64 - 2000) continue;
        std::uint64_t expected = n + 1;
        while (!is_prime_u64(expected)) ++expected;
        check(next_prime_u64(n) == expected, "next_prime_u64", n);
        auto before = prev_prime_u64(n);
        std::uint64_t down = n;
        while (down > 2 && !is_prime_u64(down - 1)) --down;
        check(n <= 2 ? !before : before == down - 1, "prev_prime_u64", n);
    }
    check(next_prime_u64(0) == 2u && next_prime_u64(1) == 2u && next_prime_u64(2) == 3u,
          "next prime of small values");
    check(next_prime_u64(18446744073709551556u) == 18446744073709551557u &&
              !next_prime_u64(18446744073709551557u) && !next_prime_u64(max_u64),
          "next prime at the top of the range");
    check(!prev_prime_u64(0) && !prev_prime_u64(2) && prev_prime_u64(3) == 2u &&
              prev_prime_u64(max_u64) == 18446744073709551557u,
          "previous prime at both ends");
}

std::vector<std::uint64_t> collect(std::uint64_t lo, std::uint64_t hi) {
    std::vector<std::uint64_t> primes;
    for_each_prime(lo, hi, [&](std::uint64_t p) {
        primes.push_back(p);
        return true;
    });
    return primes;
}

std::vector<std::uint64_t> collect_by_test(std::uint64_t lo, std::uint64_t hi) {
    std::vector<std::uint64_t> primes;
    for (std::uint64_t n = lo;; ++n) {
        if (is_prime_u64(n)) primes.push_back(n);
        if (n == hi) break;
    }
    return primes;
}

void check_sieve() {
    Random random{4};
    std::vector<std::uint64_t> all = collect(0, 3000000);
    check(all == collect_by_test(0, 3000000), "sieve of [0, 3e6]");
    check(all.size() == 216816, "pi(3e6)", all.size());
    // Ranges of every parity, crossing segment borders, and in the range where candidates are
    // tested one by one.
    for (int j = 0; j < 300; ++j) {
        std::uint64_t lo = j < 100 ? random.below(200000) : random.any_size();
        std::uint64_t width = random.below(j % 3 == 0 && j < 100 ? 300000 : 3000);
        std::uint64_t hi = lo > max_u64 - width ? max_u64 : lo + width;
        std::vector<std::uint64_t> expected = collect_by_test(lo, hi);
        check(collect(lo, hi) == expected, "sieve of a range", lo);
        check(count_primes(lo, hi) == expected.size(), "count of a range", lo);
    }
    check(collect(max_u64 - 3000, max_u64) == collect_by_test(max_u64 - 3000, max_u64),
          "sieve at the top of the range");
    check(collect(10, 2).empty() && collect(0, 1).empty() && collect(2, 2).size() == 1 &&
              collect(4, 4).empty() && collect(max_u64, max_u64).empty(),
          "empty and one-number ranges");
    int visited = 0;
    bool finished = for_each_prime(0, 1000000, [&](std::uint64_t) { return ++visited < 10; });
    check(!finished && visited == 10, "a visitor stops the walk");
}

// Values taken a piece at a time, in pieces of any size, are those that pass one by one: across
// segment borders, from the prime 2 on, and where candidates are tested one by one.
void check_passing_in_pieces() {
    Random random{6};
    for (int j = 0; j < 60; ++j) {
        std::uint64_t lo = j < 30 ? random.below(300000) : (max_u64 >> 1) - random.below(1u << 20);
        std::uint64_t hi = lo + random.below(j < 30 ? 150000 : 3000);
        std::vector<std::uint64_t> expected, got;
        for (std::uint64_t n = lo; n <= hi; ++n)
            if (trial_division_passes(n)) expected.push_back(n);
        PassingValues values(lo, hi);
        while (!values.exhausted()) values.fill(got, got.size() + 1 + random.below(20000));
        check(got == expected, "passing values in pieces", lo);
    }
    // asked before each segment: the third answer stops it after two segments of odd numbers
    std::vector<std::uint64_t> got;
    int asked = 0;
    auto twice = [&] { return ++asked < 3; };
    PassingValues values(0, 10000000);
    values.fill(got, 10000000, twice);
    const std::uint64_t end = 3 + 2 * (2 * OddPrimeSegments::segment_size - 1);
    check(asked == 3 && !values.exhausted() && got.size() == prime_pi(end) && got.back() <= end,
          "a piece stops when asked", got.size());
}

void check_counting() {
    const std::uint64_t known[][2] = {{0, 0},           {1, 0},        {2, 1},
                                      {999983, 78498},  {1000000, 78498}, {10000000, 664579},
                                      {99999, 9592},    {100000, 9592}, {1000000000, 50847534},
                                      {10000000000u, 455052511}};
    for (const auto& row : known) check(prime_pi(row[0]) == row[1], "pi", row[0]);
    Random random{5};
    for (int j = 0; j < 46; ++j) {
        std::uint64_t n = j < 6 ? (std::uint64_t{1} << 22) - 3 + j : random.below(20000000);
        check(prime_pi(n) == count_primes(0, n), "pi against the sieve count", n);
    }
    int polls = 0;
    auto stop_soon = [&] { return ++polls < 3; };
    check(!prime_pi(100000000, stop_soon) && !count_primes(0, 100000000, stop_soon),
          "counting stops when asked");
}

// Runs both walks to the end in pieces of random size and compares results and step counts.
void compare_walks(Random& random, std::uint64_t x, std::uint64_t c, std::uint64_t x0,
                   std::uint64_t max_steps) {
    RhoWalk plain = rho_begin(x, c, x0), fast = plain;
    std::optional<std::uint64_t> expected = rho_steps_plain(plain, max_steps), result;
    std::uint64_t taken = 0;
    while (!result && taken < max_steps) {
        std::uint64_t piece = std::min(max_steps - taken, 1 + random.below(700));
        result = rho_steps(fast, piece);
        taken += piece;
    }
    bool same = result == expected && fast.i == plain.i &&
                (expected || (fast.x0 == plain.x0 && fast.y == plain.y && fast.k == plain.k));
    check(same, "batched walk against the plain walk", x);
}

void check_rho() {
    Random random{6};
    for (std::uint64_t x = 1; x < 300; ++x)
        for (std::uint64_t c = 0; c < 6; ++c)
            for (std::uint64_t x0 = 0; x0 <= x; x0 += 1 + x / 8) compare_walks(random, x, c, x0, 100000);
    std::vector<std::uint64_t> primes = collect(1000, 3000000);
    for (int j = 0; j < 3000; ++j) {
        std::uint64_t x;
        switch (j % 4) {
            case 0: x = random.next(); break;
            case 1: x = random.any_size() | 1; break;
            default: {   // a product of two primes, or of three
                std::uint64_t p = primes[random.below(primes.size())];
                std::uint64_t q = primes[random.below(primes.size())];
                x = p * q;
                if (j % 4 == 3 && x < (std::uint64_t{1} << 40)) x *= primes[random.below(100)];
            }
        }
        if (x == 0) x = 1;
        std::uint64_t c = j % 5 == 0 ? random.next() : random.below(x) + 1;
        std::uint64_t x0 = j % 7 == 0 ? x : random.below(x) + (x == max_u64 ? 0 : random.below(2));
        compare_walks(random, x, c, x0, 60000);
    }
    // Each side of the modulus below which the walk leaves its residues unreduced.
    for (std::uint64_t x : {max_u64 / 9 - 2, max_u64 / 9, max_u64 / 9 + 2, max_u64 / 3})
        for (int j = 0; j < 20; ++j) compare_walks(random, x | 1, random.next(), random.below(x), 60000);
    // A walk that ends on y == x0: modulo a prime no gcd is ever non-trivial.
    RhoWalk walk = rho_begin(1000003, 1, 5);
    check(rho_steps(walk, 1u << 30) == 1000003u, "walk modulo a prime closes on itself");
}

// Reads a number of up to 128 bits.
bool parse_wide(const std::string& text, Wide& out) {
    Wide value{};
    if (text.empty()) return false;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return false;
        Wide times8{(value.hi << 3) | (value.lo >> 61), value.lo << 3};
        Wide times2{(value.hi << 1) | (value.lo >> 63), value.lo << 1};
        if (value.hi >> 60) return false;
        value = add(add(times8, times2), {0, static_cast<std::uint64_t>(ch - '0')});
    }
    out = value;
    return true;
}

std::string optional_text(std::optional<std::uint64_t> value) {
    return value ? std::to_string(*value) : "none";
}

// One query: isprime N | bound N | primes LO HI | count LO HI | pi N | next N | prev N |
// rho X C X0 STEPS | rhoplain X C X0 STEPS | powmod A E M | mulmod A B M.
std::string eval_line(const std::string& line) {
    std::istringstream in(line);
    std::string op, word;
    in >> op;
    std::vector<Wide> args;
    while (in >> word) {
        Wide w;
        if (!parse_wide(word, w)) return "error";
        args.push_back(w);
    }
    auto arg = [&](std::size_t j) { return args[j].lo; };
    auto need = [&](std::size_t count) {
        if (args.size() != count) return false;
        for (const Wide& w : args)
            if (w.hi != 0 && op != "isprime" && op != "bound") return false;
        return true;
    };
    if (op == "isprime" && need(1)) {
        if (!less(args[0], wide_prime_limit)) return "out";
        return is_prime_wide(args[0]) ? "1" : "0";
    }
    if (op == "bound" && need(1)) return std::to_string(trial_bound(args[0]));
    if (op == "primes" && need(2)) {
        std::string text;
        for_each_prime(arg(0), arg(1), [&](std::uint64_t p) {
            text += std::to_string(p) + " ";
            return true;
        });
        return text;
    }
    if (op == "count" && need(2)) return optional_text(count_primes(arg(0), arg(1)));
    if (op == "pi" && need(1)) return optional_text(prime_pi(arg(0)));
    if (op == "next" && need(1)) return optional_text(next_prime_u64(arg(0)));
    if (op == "prev" && need(1)) return optional_text(prev_prime_u64(arg(0)));
    if ((op == "rho" || op == "rhoplain") && need(4) && arg(0) != 0 && arg(2) <= arg(0)) {
        RhoWalk walk = rho_begin(arg(0), arg(1), arg(2));
        auto result = op == "rho" ? rho_steps(walk, arg(3)) : rho_steps_plain(walk, arg(3));
        return optional_text(result) + " " + std::to_string(walk.i);
    }
    if (op == "powmod" && need(3) && arg(2) != 0) return std::to_string(powmod(arg(0), arg(1), arg(2)));
    if (op == "mulmod" && need(3) && arg(2) != 0) return std::to_string(mulmod(arg(0), arg(1), arg(2)));
    return "error";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--eval") == 0) {
        std::string line;
        while (std::getline(std::cin, line)) std::cout << eval_line(line) << '\n';
        return 0;
    }
    std::printf("128-bit product: %s\n", TK_NATIVE_HAVE_INT128 ? "unsigned __int128" : "portable");
    check_wide_arithmetic();
    check_powmod_and_gcd();
    check_primality();
    check_wide_primality();
    check_stepping();
    check_sieve();
    check_passing_in_pieces();
    check_counting();
    check_rho();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
