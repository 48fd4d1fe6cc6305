// rho.cpp: Pollard's rho walk with Brent's saved point, step for step as the plain walk, with
// the gcds batched: the product of many differences shares a factor with x exactly when one of
// the differences does (a zero difference, y == x0, makes the product zero), so a batch whose
// product is coprime to x holds no hit and otherwise it is replayed step by step.
#include <algorithm>

#include "montgomery.hpp"
#include "primes.hpp"

namespace tk::native {

namespace {

constexpr std::uint64_t batch_steps = 128;

std::uint64_t distance(std::uint64_t a, std::uint64_t b) { return a > b ? a - b : b - a; }

std::uint64_t add_mod(std::uint64_t a, std::uint64_t b, std::uint64_t m) {
    std::uint64_t s = a + b;
    return (s < a || s >= m) ? s - m : s;
}

// One step of the walk on plain residues: the walk's result, or nothing to go on.
std::optional<std::uint64_t> plain_step(RhoWalk& walk, std::uint64_t c_reduced) {
    walk.i += 1;
    walk.x0 = add_mod(mulmod(walk.x0, walk.x0, walk.x), c_reduced, walk.x);
    std::uint64_t d = gcd_u64(distance(walk.y, walk.x0), walk.x);
    if (d != 1 && d != walk.x) return d;
    if (walk.y == walk.x0) return walk.x;
    if (walk.i == walk.k) {
        walk.y = walk.x0;
        walk.k += walk.k;
    }
    return std::nullopt;
}

// Below this the walk keeps its residues unreduced, in [0, 3x): the square of such a value is
// below x * 2^64, as the Montgomery product needs.
constexpr std::uint64_t unreduced_limit = ~std::uint64_t{0} / 9;

// The walk's variables in Montgomery form. Multiplying by 2^64 mod x is a bijection that keeps
// congruence and, x being odd, the gcd of any difference with x. Unreduced, x0 and y stand for
// their residues: their difference is still congruent to the residues' difference, so its gcd
// with x is the same (x itself exactly when the residues are equal).
template <bool Unreduced>
struct MontgomeryWalk {
    const Montgomery64* m;
    std::uint64_t c, x0, y, i, k;

    std::uint64_t mul(std::uint64_t a, std::uint64_t b, std::uint64_t add = 0) const {
        if constexpr (Unreduced) return m->mul_unreduced(a, b, add);
        else return m->add(m->mul(a, b), add);
    }
    void advance() {
        i += 1;
        x0 = mul(x0, x0, c);
    }
    void move_saved_point() {
        if (i == k) {
            y = x0;
            k += k;
        }
    }
    // One step with its own gcd, as the plain walk takes it.
    std::optional<std::uint64_t> step() {
        advance();
        std::uint64_t d = gcd_u64(distance(y, x0), m->modulus());   // x when y == x0
        if (d != 1) return d;
        move_saved_point();
        return std::nullopt;
    }
    // Steps without gcds; true when one of them would have ended the walk.
    bool batch_hits(std::uint64_t steps) {
        std::uint64_t product = m->one();
        for (std::uint64_t t = 0; t < steps; ++t) {
            advance();
            product = mul(product, distance(y, x0));
            move_saved_point();
        }
        return gcd_u64(product, m->modulus()) != 1;
    }
};

}  // namespace

RhoWalk rho_begin(std::uint64_t x, std::uint64_t c, std::uint64_t x0) {
    return RhoWalk{x, c, x0, x0, 1, 2};
}

std::optional<std::uint64_t> rho_steps_plain(RhoWalk& walk, std::uint64_t max_steps) {
    std::uint64_t c_reduced = walk.c % walk.x;
    for (std::uint64_t step = 0; step < max_steps; ++step)
        if (auto result = plain_step(walk, c_reduced)) return result;
    return std::nullopt;
}

namespace {

template <bool Unreduced>
std::optional<std::uint64_t> montgomery_steps(RhoWalk& walk, std::uint64_t left) {
    Montgomery64 m(walk.x);
    MontgomeryWalk<Unreduced> w{&m, m.to(walk.c), m.to(walk.x0), m.to(walk.y), walk.i, walk.k};
    std::optional<std::uint64_t> result;
    while (left > 0 && !result) {
        std::uint64_t steps = std::min(left, batch_steps);
        MontgomeryWalk<Unreduced> saved = w;
        if (w.batch_hits(steps)) {
            w = saved;
            for (std::uint64_t t = 0; t < steps && !result; ++t) result = w.step();
        }
        left -= steps;
    }
    walk.x0 = m.from(w.x0);
    walk.y = m.from(w.y);
    walk.i = w.i;
    walk.k = w.k;
    return result;
}

}  // namespace

std::optional<std::uint64_t> rho_steps(RhoWalk& walk, std::uint64_t max_steps) {
    if (walk.x < 3 || (walk.x & 1) == 0) return rho_steps_plain(walk, max_steps);
    std::uint64_t left = max_steps;
    if (walk.i == 1 && left > 0) {
        // The first step may compare against y == x, which is not a residue below x.
        if (auto result = rho_steps_plain(walk, 1)) return result;
        --left;
    }
    if (walk.x < unreduced_limit) return montgomery_steps<true>(walk, left);
    return montgomery_steps<false>(walk, left);
}

}  // namespace tk::native
