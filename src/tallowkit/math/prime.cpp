// tallowkit.math.prime: number theory on the interpreter's integers (primality, prime search,
// factorisation). Every function runs its algorithm on interpreter objects; exact ints in the
// native range take native paths that give the same results while the globals they stand in
// for are still the module's own.
#include "tallowkit.hpp"
#include "traceback.hpp"
#include "montgomery.hpp"
#include "trial_division.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

using namespace tk;

namespace {

namespace name {
const Name math{"math"};
const Name floor{"floor"};
const Name sqrt{"sqrt"};
const Name factorial{"factorial"};
const Name random{"random"};
const Name seed{"seed"};
const Name randint{"randint"};
const Name collections{"collections"};
const Name Counter{"Counter"};
const Name keys{"keys"};
const Name extend{"extend"};
const Name gcd{"gcd"};
}  // namespace name

namespace str {
const Name start_not_positive{"startPrime 必须大于0 "};
const Name end_not_positive{"endPrime 必须大于0 "};
}  // namespace str

const Int k_0{0};
const Int k_1{1};
const Int k_2{2};
const Int k_3{3};
const Int k_4{4};
const Int k_5{5};
const Int k_7{7};
const Int k_11{11};
const Int k_64{64};
const Builtin range_{"range"};
const Builtin ValueError_{"ValueError"};

// ---- calling the module's own functions ------------------------------------------------------
// A module function as defined at load. Calls between module functions look the callee up as
// a global, so rebinding it takes effect; fast paths check that the global is still this one.
struct Own {
    explicit Own(const char* simple) : name(simple) {}
    Name name;
    PyObject* object = nullptr;  // the function object made at load (kept for good)
    bool intact() const { return global_is(name, object); }
};

#define TK_OWN(f) Own f{#f}
namespace own {
TK_OWN(is_prime);
TK_OWN(is_composite);
TK_OWN(is_odd);
TK_OWN(is_even);
TK_OWN(get_all_primes);
TK_OWN(get_next_prime);
TK_OWN(get_next_primes);
TK_OWN(prime_factors_list_generator);
TK_OWN(prime_factors_list_cleaner);
TK_OWN(gcd);
TK_OWN(mod_mul);
TK_OWN(mod_exp);
TK_OWN(miller_rabin_prime_check);
TK_OWN(pollard_rho);
}  // namespace own
#undef TK_OWN

// Looks the callee up, then calls it: for arguments that are already evaluated (where an
// argument is computed after the lookup, the caller looks up and calls in that order). The call
// goes through the function object even when it is our own, so that it counts against the
// interpreter's recursion limit as a call of the Python function would.
Object call_own(const Own& callee, std::initializer_list<Handle> args, Loc loc = Loc::current()) {
    Object fn = global(callee.name, loc);
    return call(fn, args, loc);
}

Object True() { return boolean(true); }
// A new list of the given items, in order.
Object list_of(std::initializer_list<Handle> items) {
    Object list = new_list();
    for (Handle item : items) append(list, item);
    return list;
}
Object zero() { return Object::borrow(k_0.get()); }
Object one() { return Object::borrow(k_1.get()); }
Object False() { return boolean(false); }


// ---- native fast paths: when they apply -------------------------------------------------------
namespace nt = tk::native;
using u64 = std::uint64_t;
using i64 = std::int64_t;

// What the algorithms reach through `math` and `random`, as seen at load; and math.gcd, which
// the module uses for itself on ints beyond 64 bits.
struct Seen {
    PyObject* math = nullptr;
    PyObject* floor = nullptr;
    PyObject* sqrt = nullptr;
    PyObject* random = nullptr;
    PyObject* seed = nullptr;
    PyObject* randint = nullptr;
    PyObject* math_gcd = nullptr;
    PyObject* factorial = nullptr;
    PyObject* wide_limit = nullptr;  // ints below it get a proven primality answer
} seen;

void keep(PyObject*& slot, Handle value) {
    Py_INCREF(value.get());
    Py_XSETREF(slot, value.get());
}

bool math_intact() {
    return global_is(name::math, seen.math) && module_attr_is(seen.math, name::floor, seen.floor) &&
           module_attr_is(seen.math, name::sqrt, seen.sqrt);
}
bool random_intact() {
    return global_is(name::random, seen.random) &&
           module_attr_is(seen.random, name::seed, seen.seed) &&
           module_attr_is(seen.random, name::randint, seen.randint);
}
// Native answers may replace calls of is_prime (and of is_composite, which calls is_prime).
bool is_prime_intact() { return own::is_prime.intact() && math_intact(); }
bool is_composite_intact() { return own::is_composite.intact() && is_prime_intact(); }

// Values within +-2^62: sums and doublings of two of them stay within 64 bits; within +-2^60,
// p + 2 * (nmax - p) does too.
constexpr i64 native_limit = i64{1} << 62;
constexpr i64 narrow_limit = native_limit / 4;


// The value of an exact int within +-limit, stored into `out`.
bool as_i64(Handle o, i64& out, i64 limit = INT64_MAX) {
    std::optional<i64> v = exact_int64(o);
    out = v.value_or(0);
    return v && out <= limit && out >= -limit;
}

// The value of a non-negative exact int below 2^64, stored into `out`.
bool as_u64(Handle o, u64& out) {
    out = 0;
    if (!PyLong_CheckExact(o.get())) return false;
    u64 v = PyLong_AsUnsignedLongLong(o.get());
    if (v == static_cast<u64>(-1) && PyErr_Occurred()) {
        PyErr_Clear();  // negative, or 64 bits are too few
        return false;
    }
    out = v;
    return true;
}

Object from_u64(u64 v) { return Object::check(PyLong_FromUnsignedLongLong(v)); }

// What trial division answers for an exact int (primality, proven below 3.3e24): nothing for
// other objects or larger ints.
std::optional<bool> trial_answer(Handle n) {
    if (!PyLong_CheckExact(n.get())) return std::nullopt;
    int overflow = 0;
    long long v = PyLong_AsLongLongAndOverflow(n.get(), &overflow);
    if (!overflow) return v >= 2 && nt::trial_division_passes(static_cast<u64>(v));
    if (overflow < 0) return false;
    int below = PyObject_RichCompareBool(n.get(), seen.wide_limit, Py_LT);
    if (below <= 0) {
        if (below < 0) PyErr_Clear();
        return std::nullopt;
    }
    u64 lo = PyLong_AsUnsignedLongLongMask(n.get());
    Object high = rshift(n, k_64);
    u64 hi = PyLong_AsUnsignedLongLong(high.get());
    return nt::trial_division_passes(nt::Wide{hi, lo});
}

// The answer of trial division for a native value (values below 2 do not pass).
bool passes(i64 v) { return v >= 2 && nt::trial_division_passes(static_cast<u64>(v)); }

// ---- parity and primality ------------------------------------------------------------------

// is_prime(n): trial division by every integer from 2 to floor(sqrt(n)).
Object is_prime(Object n) {
    if (PyLong_CheckExact(n.get()) && math_intact())
        if (std::optional<bool> answer = trial_answer(n)) return boolean(*answer);
    if (truthy(le(n, k_1))) return False();
    Object floor = attr(global(name::math), name::floor);
    Object sqrt = attr(global(name::math), name::sqrt);
    Object root = call(sqrt, {n});
    Object bound = add(call(floor, {root}), k_1);
    for (Object i : iterate(call(range_, {k_2, bound}))) {
        check_interrupts();
        if (truthy(eq(mod(n, i), k_0))) return False();
    }
    return True();
}

Object is_composite(Object n) {
    if (PyLong_CheckExact(n.get())) {
        // comparing two exact ints cannot fail; any int below 4 (however large its size) is
        // answered before is_prime would be asked
        if (PyObject_RichCompareBool(n.get(), k_4.get(), Py_LT) > 0) return False();
        if (is_prime_intact())
            if (std::optional<bool> answer = trial_answer(n)) return boolean(!*answer);
    }
    if (truthy(lt(n, k_4))) return False();
    return boolean(!truthy(call_own(own::is_prime, {n})));
}

// n % 2 == <remainder>, answered as True or False.
Object remainder_is(Handle n, const Int& remainder, i64 low_bit) {
    if (std::optional<i64> v = exact_int64(n)) return boolean((*v & 1) == low_bit);
    return boolean(truthy(eq(mod(n, k_2), remainder)));
}

Object is_odd(Object n) { return remainder_is(n, k_1, 1); }
Object is_even(Object n) { return remainder_is(n, k_0, 0); }

// The largest value not above n that `predicate` accepts, counting down one at a time.
Object largest_accepted(Object n, const Int& threshold, const Own& predicate) {
    if (truthy(lt(n, threshold))) return none();
    for (;;) {
        check_interrupts();
        if (truthy(call_own(predicate, {n}))) return n;
        n = sub(n, k_1);
    }
}

Object get_max_prime(Object n) {
    if (std::optional<i64> v = exact_int64(n); v && is_prime_intact()) {
        if (*v < 2) return none();
        if (passes(*v)) return n;
        return from_u64(*nt::prev_passing(static_cast<u64>(*v)));  // 2 passes, so there is one
    }
    return largest_accepted(n, k_2, own::is_prime);
}

Object get_max_composite(Object n) {
    if (std::optional<i64> v = exact_int64(n); v && is_composite_intact()) {
        if (*v < 4) return none();
        i64 m = *v;
        while (passes(m)) --m;  // 4 is composite, so this stops
        return m == *v ? n : integer(m);
    }
    return largest_accepted(n, k_4, own::is_composite);
}

// n when `predicate` accepts it, else n - 1 (one step down at most).
Object at_most_one_down(Object n, const Int& threshold, i64 threshold_value, const Own& predicate,
                        i64 low_bit) {
    if (std::optional<i64> v = exact_int64(n); v && predicate.intact()) {
        if (*v < threshold_value) return none();
        return (*v & 1) == low_bit ? n : integer(*v - 1);
    }
    if (truthy(lt(n, threshold))) return none();
    if (truthy(call_own(predicate, {n}))) return n;
    return sub(n, k_1);
}

Object get_max_even(Object n) { return at_most_one_down(n, k_0, 0, own::is_even, 0); }
Object get_max_odd(Object n) { return at_most_one_down(n, k_1, 1, own::is_odd, 1); }

// ---- prime search and enumeration ------------------------------------------------------------

// The values of [minn, maxn] (minn raised to `clamp` first) that `predicate` accepts.
Object all_accepted(Object minn, Object maxn, const Int& clamp, const Own& predicate) {
    Object result = new_list();
    if (truthy(le(minn, clamp))) minn = Object::borrow(clamp.get());
    if (truthy(gt(minn, maxn))) return result;
    Object stop = add(maxn, k_1);
    for (Object i : iterate(call(range_, {minn, stop}))) {
        if (truthy(call_own(predicate, {i}))) append(result, i);
    }
    return result;
}

// The native bounds of a range enumeration: [max(minn, clamp), maxn], when both are exact ints.
struct Bounds {
    u64 lo, hi;
    bool empty() const { return lo > hi; }
};
std::optional<Bounds> native_bounds(Handle minn, Handle maxn, i64 clamp) {
    i64 lo = 0, hi = 0;
    if (!as_i64(minn, lo) || !as_i64(maxn, hi)) return std::nullopt;
    i64 from = std::max(lo, clamp);
    if (from > hi) return Bounds{1, 0};
    return Bounds{static_cast<u64>(from), static_cast<u64>(hi)};
}

// The passing values of a range are found a piece at a time, with the GIL let go where the range
// is wide: a piece is at least this many values (turning them into ints with the GIL takes a
// fraction of a millisecond), and a range this wide or wider is worth letting the GIL go for.
constexpr std::size_t piece_values = std::size_t{1} << 15;
constexpr u64 wide_range = u64{1} << 16;

// Calls take(v) with the GIL held for the values of [lo, hi] that pass, ascending, until it
// returns false.
template <class Take>
void take_passing(u64 lo, u64 hi, Take&& take) {
    if (lo > hi) return;
    const bool wide = hi - lo >= wide_range;
    std::optional<nt::PassingValues> values;
    std::vector<u64> piece;
    piece.reserve(std::min<u64>(hi - lo, piece_values) + 8192);
    for (bool more = true; more;) {
        piece.clear();
        more = run_unlocked(wide, [&](auto& keep_going) {
            if (!values) values.emplace(lo, hi);   // sieving primes up to sqrt(hi): work too
            values->fill(piece, piece_values, keep_going);
            return !values->exhausted();
        });
        for (u64 v : piece)
            if (!take(v)) return;
    }
}

// ln 2: natural logarithms are estimated from bit lengths (libm's log would raise the C library
// version that the wheels require).
constexpr double ln_2 = 0.6931471805599453;

// ln x from below, within 0.06, for x >= 1: log2 of x's mantissa m in [1, 2) is at least m - 1.
double ln_below(u64 x) {
    int e = std::bit_width(x) - 1;
    double m = static_cast<double>(x) / static_cast<double>(u64{1} << e);
    return (e + (m - 1)) * ln_2;
}

// How many values of [lo, hi] pass, guessed from above for the room of their list: no more than
// the odd numbers, nor than pi(hi) (below hi / (ln hi - 1.12) from 60184 on, 1.25506 hi / ln hi
// before), nor, away from 0, than about (hi - lo) / ln lo. A guess: the list grows if need be.
Py_ssize_t expected_passing(u64 lo, u64 hi) {
    double room = static_cast<double>((hi - lo) / 2 + 2);
    const double h = static_cast<double>(hi), width = static_cast<double>(hi - lo);
    if (hi >= 60184) room = std::min(room, h / (ln_below(hi) - 1.12) + 1);
    else if (hi >= 3) room = std::min(room, 1.25506 * h / ln_below(hi) + 1);
    if (lo >= 60184) room = std::min(room, width / ln_below(lo) * 1.05 + 256);
    return static_cast<Py_ssize_t>(std::min(room, static_cast<double>(1 << 25)));
}

Object get_all_primes(Object minn, Object maxn) {
    if (std::optional<Bounds> b = native_bounds(minn, maxn, 2); b && is_prime_intact()) {
        if (b->empty()) return new_list();
        ListFiller result(expected_passing(b->lo, b->hi));
        take_passing(b->lo, b->hi, [&](u64 p) {
            result.push(PyLong_FromUnsignedLongLong(p));
            return true;
        });
        return result.finish();
    }
    return all_accepted(minn, maxn, k_2, own::is_prime);
}

Object get_all_composites(Object minn, Object maxn) {
    if (std::optional<Bounds> b = native_bounds(minn, maxn, 2); b && is_composite_intact()) {
        Object result = new_list();
        Pacer pacer;
        u64 next = std::max<u64>(b->lo, 4);  // 2 and 3 are not composite
        auto up_to = [&](u64 end) {          // appends next, ..., end - 1
            for (; next < end; ++next) {
                append(result, from_u64(next));
                if (!pacer.step()) pacer.raise_if_failed();
            }
        };
        take_passing(b->lo, b->hi, [&](u64 p) {
            up_to(p);
            next = std::max(next, p + 1);
            return true;
        });
        if (!b->empty()) up_to(b->hi + 1);  // hi is below 2^63
        return result;
    }
    return all_accepted(minn, maxn, k_2, own::is_composite);
}

// The values of [minn, maxn] with the given low bit, from 0 up.
Object with_low_bit(Handle minn, Handle maxn, i64 low_bit, const Own& predicate) {
    std::optional<Bounds> b = native_bounds(minn, maxn, 0);
    if (!b || !predicate.intact()) return Object();
    Object result = new_list();
    Pacer pacer;
    if (b->empty()) return result;
    u64 i = b->lo + ((b->lo & 1) != static_cast<u64>(low_bit));
    for (; i <= b->hi; i += 2) {
        append(result, from_u64(i));
        if (!pacer.step()) pacer.raise_if_failed();
        if (b->hi - i < 2) break;
    }
    return result;
}

Object get_all_evens(Object minn, Object maxn) {
    if (Object fast = with_low_bit(minn, maxn, 0, own::is_even)) return fast;
    return all_accepted(minn, maxn, k_0, own::is_even);
}
Object get_all_odds(Object minn, Object maxn) {
    if (Object fast = with_low_bit(minn, maxn, 1, own::is_odd)) return fast;
    return all_accepted(minn, maxn, k_0, own::is_odd);
}

Object get_next_prime(Object start_prime) {
    if (std::optional<i64> v = exact_int64(start_prime); v && *v > 0 && is_prime_intact())
        return from_u64(*nt::next_passing(static_cast<u64>(*v)));  // below 2^64 from here
    if (truthy(le(start_prime, k_0))) raise(ValueError_, {str::start_not_positive});
    Object n = add(start_prime, k_1);
    for (;;) {
        check_interrupts();
        if (truthy(call_own(own::is_prime, {n}))) return n;
        n = add(n, k_1);
    }
}

Object get_pre_prime(Object end_prime) {
    if (std::optional<i64> v = exact_int64(end_prime); v && *v > 0 && is_prime_intact()) {
        std::optional<u64> p = nt::prev_passing(static_cast<u64>(*v));
        return p ? from_u64(*p) : none();
    }
    if (truthy(le(end_prime, k_0))) raise(ValueError_, {str::end_not_positive});
    Object n = sub(end_prime, k_1);
    for (;;) {
        check_interrupts();
        if (truthy(call_own(own::is_prime, {n}))) return n;
        n = sub(n, k_1);
        if (truthy(lt(n, k_2))) return none();
    }
}

// The loop of get_next_primes from a given state: `ps` so far, `lp` the last prime.
Object next_primes_from(Object count, Object ps, Object lp) {
    while (truthy(lt(length(ps), count))) {
        check_interrupts();
        Object p = call_own(own::get_next_prime, {lp});
        append(ps, p);
        lp = p;
    }
    return ps;
}

bool next_primes_intact() { return own::get_next_prime.intact() && is_prime_intact(); }

// Appends to `ps` the primes after `last` until it holds `count`, natively while they stay
// below the native limit; returns the last prime appended (or `last`).
u64 append_next_primes(Handle ps, i64 count, u64 last) {
    Py_ssize_t have = PyList_GET_SIZE(ps.get());
    while (have < count && last < static_cast<u64>(native_limit)) {
        // A window where the primes still wanted are expected, about ln(last) apart.
        double gap = static_cast<double>(std::bit_width(last + 3)) * (ln_2 * 1.25);
        double wanted = static_cast<double>(count - have) * gap + 256.0;
        u64 hi = last + static_cast<u64>(std::min(wanted, static_cast<double>(1 << 22)));
        hi = std::min(hi, static_cast<u64>(native_limit));
        take_passing(last + 1, hi, [&](u64 p) {
            append(ps, from_u64(p));
            last = p;
            return ++have < count;
        });
        if (have < count) last = std::max(last, hi);  // no prime left in the window
    }
    return last;
}

Object get_next_primes(Object start_prime, Object count) {
    i64 s = 0, c = 0;
    if (as_i64(start_prime, s) && as_i64(count, c) && (c <= 0 || s > 0) && s < native_limit &&
        next_primes_intact()) {
        Object ps = new_list();
        if (c <= 0) return ps;
        append_next_primes(ps, c, static_cast<u64>(s));
        if (PyList_GET_SIZE(ps.get()) >= c) return ps;
        // Beyond the native range the interpreter's integers go on.
        Py_ssize_t have = PyList_GET_SIZE(ps.get());
        Object lp = have ? Object::borrow(PyList_GET_ITEM(ps.get(), have - 1)) : start_prime;
        return next_primes_from(count, ps, lp);
    }
    Object ps = new_list();
    return next_primes_from(count, ps, start_prime);
}

Object get_prime_position(Object p) {
    std::optional<i64> v = exact_int64(p);
    if (v && is_prime_intact() && own::get_all_primes.intact()) {
        if (*v < 2) return none();
        // above the table, primes are counted: worth letting the GIL go
        const u64 n = static_cast<u64>(*v);
        const bool counted = n >= nt::prime_table_limit && passes(*v);
        u64 position = run_unlocked(counted, [&](auto& keep_going) {
            return nt::passing_position(n, keep_going).value_or(0);   // nothing once stopped
        });
        return position ? from_u64(position) : none();
    }
    if (!truthy(call_own(own::is_prime, {p}))) return none();
    return length(call_own(own::get_all_primes, {k_0, p}));
}

// is_prime(a) and is_prime(b), with b computed only when a is prime.
template <typename MakeB>
bool both_prime(Handle a, MakeB make_b) {
    if (!truthy(call_own(own::is_prime, {a}))) return false;
    Object fn = global(own::is_prime.name);
    Object b = make_b();
    return truthy(call(fn, {b}));
}

Object get_ed_primes(Object n, Object nmax) {
    i64 nv = 0, limit = 0;
    if (as_i64(n, nv, native_limit) && as_i64(nmax, limit) && is_prime_intact()) {
        Object ps = new_dict();
        Pacer pacer;
        i64 count = 0;
        for (i64 d = 0; nv - d > 1 && count < limit; ++d) {
            if (passes(nv - d) && passes(nv + d)) {
                setitem(ps, integer(d), list_of({integer(nv - d), integer(nv + d)}));
                ++count;
            }
            if (!pacer.step()) pacer.raise_if_failed();
        }
        return ps;
    }
    Object d = zero();
    Object l = sub(n, d);
    Object r = add(n, d);
    Object ps = new_dict();
    Object count = zero();
    while (truthy(gt(l, k_1)) && truthy(lt(count, nmax))) {
        check_interrupts();
        if (both_prime(l, [&] { return r; })) {
            setitem(ps, d, list_of({l, r}));
            count = add(count, k_1);
        }
        d = add(d, k_1);
        l = sub(n, d);
        r = add(n, d);
    }
    return ps;
}

Object get_right_ed_prime(Object p, Object nmax, Object countmax) {
    i64 pv = 0, top = 0, most = 0;
    if (as_i64(p, pv, narrow_limit) && as_i64(nmax, top, narrow_limit) && as_i64(countmax, most) &&
        is_prime_intact()) {
        Object ps = new_dict();
        Pacer pacer;
        i64 count = 0;
        for (i64 d = 0; count < most && pv + d < top; ++d) {
            i64 r = 2 * (pv + d) - pv;
            if (passes(r)) {
                setitem(ps, integer(d), list_of({p, integer(r), integer(pv + d)}));
                ++count;
            }
            if (!pacer.step()) pacer.raise_if_failed();
        }
        return ps;
    }
    Object count = zero();
    Object d = zero();
    Object n = add(p, d);
    Object ps = new_dict();
    while (truthy(lt(count, countmax)) && truthy(lt(n, nmax))) {
        check_interrupts();
        Object r = sub(mul(k_2, n), p);
        if (truthy(call_own(own::is_prime, {r}))) {
            setitem(ps, d, list_of({p, r, n}));
            count = add(count, k_1);
        }
        d = add(d, k_1);
        n = add(p, d);
    }
    return ps;
}

// The entry of get_left_ed_prime for the passing value l: d -> [l, p, p - d].
void left_entry(Handle ps, Handle p, i64 pv, u64 l) {
    i64 d = (pv - static_cast<i64>(l)) / 2;
    setitem(ps, integer(d), list_of({from_u64(l), p, integer(pv - d)}));
}

Object get_left_ed_prime(Object p) {
    if (i64 pv = 0; as_i64(p, pv, native_limit) && is_prime_intact()) {
        Object ps = new_dict();
        if (pv < 2) return ps;
        if (pv % 2 == 0) {  // every l is even: only 2 can pass
            left_entry(ps, p, pv, 2);
            return ps;
        }
        // The odd passing values of [3, p], taken from the top down.
        std::vector<u64> found;
        take_passing(3, static_cast<u64>(pv), [&](u64 l) {
            found.push_back(l);
            return true;
        });
        Pacer pacer;
        for (auto l = found.rbegin(); l != found.rend(); ++l) {
            left_entry(ps, p, pv, *l);
            if (!pacer.step()) pacer.raise_if_failed();
        }
        return ps;
    }
    Object d = zero();
    Object n = sub(p, d);
    Object l = sub(n, d);
    Object ps = new_dict();
    while (truthy(gt(l, k_1))) {
        check_interrupts();
        if (truthy(call_own(own::is_prime, {l}))) setitem(ps, d, list_of({l, p, n}));
        d = add(d, k_1);
        n = sub(p, d);
        l = sub(n, d);
    }
    return ps;
}

// ---- factorials and Wilson numbers -------------------------------------------------------------

// k! for an exact int k from 0 to 20 (20! is the largest that fits 64 bits), while
// math.factorial is the one seen at load; nothing otherwise.
std::optional<u64> native_factorial(Handle k, i64 offset) {
    i64 v = 0;
    if (!as_i64(k, v, native_limit) || v + offset < 0 || v + offset > 20) return std::nullopt;
    if (!global_is(name::math, seen.math) ||
        !module_attr_is(seen.math, name::factorial, seen.factorial))
        return std::nullopt;
    static constexpr auto table = [] {
        std::array<u64, 21> t{};
        t[0] = 1;
        for (std::size_t i = 1; i < t.size(); ++i) t[i] = t[i - 1] * i;
        return t;
    }();
    return table[static_cast<std::size_t>(v + offset)];
}

Object factorial(Object n) {
    if (std::optional<u64> f = native_factorial(n, 0)) return from_u64(*f);
    Object factorial = attr(global(name::math), name::factorial);
    return call(factorial, {n});
}

// math.factorial(n - 1) + 1
Object wilson_numerator(Handle n) {
    if (std::optional<u64> f = native_factorial(n, -1)) return from_u64(*f + 1);
    Object factorial = attr(global(name::math), name::factorial);
    return add(call(factorial, {sub(n, k_1)}), k_1);
}

Object wilson_top(Object n) { return wilson_numerator(n); }

Object wilson(Object n) {
    if (!truthy(call_own(own::is_prime, {n}))) return none();
    return truediv(wilson_numerator(n), n);
}

// ---- prime pairs and products of primes --------------------------------------------------------

// The loop of get_near_primes from a given state.
Object near_primes_from(Object p, Object even_span, Object count, Object result) {
    while (truthy(gt(count, k_0))) {
        check_interrupts();
        if (both_prime(p, [&] { return add(p, even_span); })) {
            Object q = add(p, even_span);
            append(result, list_of({p, q}));
            count = sub(count, k_1);
        }
        p = add(p, k_1);
    }
    return result;
}

Object get_near_primes(Object p, Object even_span, Object count) {
    i64 pv = 0, span = 0, left = 0;
    if (as_i64(p, pv, narrow_limit) && as_i64(even_span, span, narrow_limit) &&
        as_i64(count, left) && is_composite_intact()) {
        if (span % 2 != 0 || (pv >= 4 && !passes(pv)) || left <= 0) return none();
        Object result = new_list();
        Pacer pacer;
        for (i64 q = pv; left > 0; ++q) {
            if (q > narrow_limit)  // beyond the native range the interpreter's ints go on
                return near_primes_from(integer(q), even_span, integer(left), result);
            if (passes(q) && passes(q + span)) {
                append(result, list_of({integer(q), integer(q + span)}));
                --left;
            }
            if (!pacer.step()) pacer.raise_if_failed();
        }
        return result;
    }
    if (truthy(ne(mod(even_span, k_2), k_0))) return none();
    if (truthy(call_own(own::is_composite, {p}))) return none();
    if (truthy(le(count, k_0))) return none();
    return near_primes_from(p, even_span, count, new_list());
}

// The first `count` primes, as get_next_primes(1, count) gives them.
Object first_primes(Handle count) {
    return call_own(own::get_next_primes, {k_1, count});
}

// Whether get_next_primes(1, count) may be answered natively.
std::optional<i64> native_prime_count(Handle count) {
    std::optional<i64> c = exact_int64(count);
    if (c && own::get_next_primes.intact() && next_primes_intact()) return c;
    return std::nullopt;
}

// The product of the ints of `factors`, as a balanced tree of products (the same value as
// multiplying them one by one, with less work for large products).
Object product_of(Handle factors) {
    std::vector<Object> level;
    Py_ssize_t n = PyList_GET_SIZE(factors.get());
    for (Py_ssize_t i = 0; i < n; i += 2) {
        Object a = Object::borrow(PyList_GET_ITEM(factors.get(), i));
        level.push_back(i + 1 < n ? mul(a, Object::borrow(PyList_GET_ITEM(factors.get(), i + 1))) : a);
    }
    Pacer pacer;
    while (level.size() > 1) {
        std::vector<Object> next;
        for (size_t i = 0; i < level.size(); i += 2)
            next.push_back(i + 1 < level.size() ? mul(level[i], level[i + 1]) : level[i]);
        level.swap(next);
        if (!pacer.checkpoint()) pacer.raise_if_failed();
    }
    return level.empty() ? one() : level.front();
}

Object get_mul_prime(Object length) {
    if (std::optional<i64> c = native_prime_count(length)) {
        if (*c <= 0) return one();
        Object ps = new_list();
        append_next_primes(ps, *c, 1);
        if (PyList_GET_SIZE(ps.get()) == *c) return product_of(ps);
    }
    Object pp = one();
    for (Object p : iterate(first_primes(length))) {
        check_interrupts();
        pp = mul(pp, p);
    }
    return pp;
}

Object get_all_mul_primes(Object count) {
    if (std::optional<i64> c = native_prime_count(count)) {
        Object pps = new_list();
        if (*c <= 0) return pps;
        Object ps = new_list();
        append_next_primes(ps, *c, 1);
        if (PyList_GET_SIZE(ps.get()) == *c) {
            // Each product is the one before times the next prime.
            Object pp = one();
            for (Object p : iterate(ps)) {
                pp = mul(pp, p);
                append(pps, pp);
            }
            return pps;
        }
    }
    Object pps = new_list();
    Object ps = first_primes(count);
    for (Object i : iterate(call(range_, {k_0, count}))) {
        Object pp = one();
        for (Object j : iterate(call(range_, {k_0, add(i, k_1)}))) {
            check_interrupts();
            pp = mul(pp, getitem(ps, j));
        }
        append(pps, pp);
    }
    return pps;
}

// ---- modular arithmetic ---------------------------------------------------------------------------

// The sign of an exact int.
int sign_of(Handle exact) {
    int above = PyObject_RichCompareBool(exact.get(), k_0.get(), Py_GT);
    if (above < 0) fail();
    if (above) return 1;
    int below = PyObject_RichCompareBool(exact.get(), k_0.get(), Py_LT);
    if (below < 0) fail();
    return below ? -1 : 0;
}

bool exact_ints(std::initializer_list<Handle> values) {
    for (Handle v : values)
        if (!PyLong_CheckExact(v.get())) return false;
    return true;
}

Object gcd(Object a, Object b) {
    if (exact_ints({a, b})) {
        i64 x = 0, y = 0;
        if (as_i64(a, x, native_limit) && as_i64(b, y)) {
            // gcd(-a, b) when a < 0, with the module's own gcd
            if (x < 0 && own::gcd.intact()) {
                x = -x;
                if (y <= 0) return integer(x);
            }
            if (x > 0)
                return y <= 0 ? a : from_u64(nt::gcd_u64(static_cast<u64>(x), static_cast<u64>(y)));
        }
        if (sign_of(a) > 0 && sign_of(b) > 0) return call(seen.math_gcd, {a, b});
    }
    if (truthy(eq(a, k_0))) return b;
    if (truthy(lt(a, k_0))) {
        Object fn = global(own::gcd.name);
        Object minus_a = neg(a);
        return call(fn, {minus_a, b});
    }
    while (truthy(gt(b, k_0))) {
        check_interrupts();
        Object c = mod(a, b);
        a = b;
        b = c;
    }
    return a;
}

// (b & 1) > 0
bool low_bit_set(Handle b) { return truthy(gt(bit_and(b, k_1), k_0)); }

// (a * b) % n as the interpreter computes it (the sign of n), for b > 0 and n != 0.
i64 mul_mod_floor(i64 a, i64 b, i64 n) {
    auto magnitude = [](i64 v) { return v < 0 ? 0 - static_cast<u64>(v) : static_cast<u64>(v); };
    u64 m = magnitude(n);
    u64 r = nt::mulmod(magnitude(a) % m, static_cast<u64>(b) % m, m);
    if (a < 0 && r != 0) r = m - r;
    if (n < 0 && r != 0) return -static_cast<i64>(m - r);
    return static_cast<i64>(r);
}

Object mod_mul(Object a, Object b, Object n) {
    // Doubling adds up a * b one bit of b at a time, reducing by n after each addition.
    if (exact_ints({a, b, n})) {
        if (sign_of(b) <= 0) return zero();
        if (sign_of(n) != 0) {
            i64 x = 0, y = 0, m = 0;
            if (as_i64(a, x) && as_i64(b, y) && as_i64(n, m)) return integer(mul_mod_floor(x, y, m));
            return mod(mul(a, b), n);
        }
    }
    Object result = zero();
    while (truthy(gt(b, k_0))) {
        check_interrupts();
        if (low_bit_set(b)) result = mod(add(result, a), n);
        a = mod(add(a, a), n);
        b = rshift(b, k_1);
    }
    return result;
}

// What mod_exp computes for exact ints when mod_mul is the module's own, or nothing where it
// would divide by zero. With a <= 0 every mod_mul sees a multiplier <= 0 and gives 0; with
// n < 0 the squares are <= 0 from the first on, so only b == 1 keeps a % n.
Object mod_exp_value(Handle a, Handle b, Handle n) {
    if (sign_of(b) <= 0) return one();
    if (sign_of(a) <= 0) return zero();
    int n_sign = sign_of(n);
    if (n_sign == 0) return Object();
    if (n_sign < 0) return truthy(eq(b, k_1)) ? mod(a, n) : zero();
    u64 x = 0, e = 0, m = 0;
    if (as_u64(a, x) && as_u64(b, e) && as_u64(n, m)) return from_u64(nt::powmod(x, e, m));
    return Object::check(PyNumber_Power(a.get(), b.get(), n.get()));
}

Object mod_exp(Object a, Object b, Object n) {
    if (exact_ints({a, b, n}) && own::mod_mul.intact())
        if (Object value = mod_exp_value(a, b, n)) return value;
    Object result = one();
    while (truthy(gt(b, k_0))) {
        check_interrupts();
        if (low_bit_set(b)) result = call_own(own::mod_mul, {result, a, n});
        a = call_own(own::mod_mul, {a, a, n});
        b = rshift(b, k_1);
    }
    return result;
}

// ---- Miller-Rabin ----------------------------------------------------------------------------------

// random.randint(low, high), high already evaluated.
Object draw(const Int& low, Handle high) {
    Object randint = attr(global(name::random), name::randint);
    return call(randint, {low, high});
}

// random.randint(low, n - 1): the function is looked up before n - 1 is computed.
Object draw_below(const Int& low, Handle n) {
    Object randint = attr(global(name::random), name::randint);
    Object high = sub(n, k_1);
    return call(randint, {low, high});
}

// The trials of miller_rabin_prime_check from trial `i` on (n - 1 == u * 2**k); `x` is the base
// of trial i when it is already drawn.
Object miller_rabin_trials(Handle n, Handle k, Handle u, long i, Object x) {
    for (; i < 5; ++i, x = Object()) {
        check_interrupts();
        if (!x) x = draw_below(k_2, n);
        if (truthy(eq(mod(x, n), k_0))) continue;
        x = call_own(own::mod_exp, {x, u, n});
        Object pre = x;
        for (Object j : iterate(call(range_, {k}))) {
            check_interrupts();
            x = call_own(own::mod_mul, {x, x, n});
            if (truthy(eq(x, k_1)) && truthy(ne(pre, k_1)) && truthy(ne(pre, sub(n, k_1))))
                return False();
            pre = x;
        }
        if (truthy(ne(x, k_1))) return False();
    }
    return True();
}

// One trial with base 1 < x < n, natively: false when x shows n composite.
bool native_trial(const nt::Montgomery64& m, u64 x, u64 u, i64 k) {
    const u64 one = m.one(), minus_one = m.to(m.modulus() - 1);
    u64 y = m.pow(m.to(x), u), pre = y;
    for (i64 j = 0; j < k; ++j) {
        y = m.mul(y, y);
        if (y == one && pre != one && pre != minus_one) return false;
        pre = y;
    }
    return y == one;
}

// The same on the interpreter's ints (pow and x * x % n give what mod_exp and mod_mul give
// for 0 < x < n).
bool big_trial(Handle n, Handle x, Handle u, Handle k) {
    Object minus_one = sub(n, k_1);
    Object y = Object::check(PyNumber_Power(x.get(), u.get(), n.get()));
    Object pre = y;
    for (Object j : iterate(call(range_, {k}))) {
        y = mod(mul(y, y), n);
        if (truthy(eq(y, k_1)) && !truthy(eq(pre, k_1)) && !truthy(eq(pre, minus_one))) return false;
        pre = y;
    }
    return truthy(eq(y, k_1));
}

bool miller_rabin_intact() {
    return random_intact() && own::mod_exp.intact() && own::mod_mul.intact();
}

// After the quick checks, for an exact int n > 11: the five trials with the bases drawn from the
// real generator, checked natively while the globals stay the module's own.
Object miller_rabin_native(Handle n, Handle k, Handle u) {
    u64 word = 0, uv = 0;
    i64 kv = 0;
    const bool is_word = as_u64(n, word) && as_i64(k, kv) && as_u64(u, uv);
    std::optional<nt::Montgomery64> m;
    if (is_word) m.emplace(word);
    Object high = sub(n, k_1);
    call(seen.seed, {k_0});
    for (long i = 0; i < 5; ++i) {
        check_interrupts();
        if (!random_intact()) return miller_rabin_trials(n, k, u, i, Object());
        Object x = call(seen.randint, {k_2, high});
        u64 xv = 0;
        bool in_range = PyLong_CheckExact(x.get()) && sign_of(x) > 0 &&
                        PyObject_RichCompareBool(x.get(), n.get(), Py_LT) == 1;
        if (!in_range || !own::mod_exp.intact() || !own::mod_mul.intact())
            return miller_rabin_trials(n, k, u, i, x);
        bool passed = is_word && as_u64(x, xv) ? native_trial(*m, xv, uv, kv)
                                               : big_trial(n, x, u, k);
        if (!passed) return False();
    }
    return True();
}

Object miller_rabin_prime_check(Object n) {
    if (u64 v = 0; as_u64(n, v) && v > 11 && miller_rabin_intact()) {
        for (u64 small : {2, 3, 5, 7, 11})
            if (v % small == 0) return False();
        u64 u = v - 1;
        i64 k = 0;
        for (; (u & 1) == 0; u >>= 1) ++k;
        return miller_rabin_native(n, integer(k), from_u64(u));
    }
    for (const Int* small : {&k_2, &k_3, &k_5, &k_7, &k_11})
        if (truthy(eq(n, *small))) return True();
    if (truthy(eq(n, k_1))) return False();
    for (const Int* small : {&k_2, &k_3, &k_5, &k_7, &k_11})
        if (truthy(eq(mod(n, *small), k_0))) return False();
    Object k = zero();
    Object u = sub(n, k_1);
    while (!low_bit_set(u)) {
        check_interrupts();
        k = add(k, k_1);
        u = rshift(u, k_1);
    }
    if (PyLong_CheckExact(n.get()) && sign_of(n) > 0 && miller_rabin_intact())
        return miller_rabin_native(n, k, u);
    call_method(global(name::random), name::seed, {k_0});
    return miller_rabin_trials(n, k, u, 0, Object());
}

// ---- Pollard's rho and factorisation ---------------------------------------------------------------

// The walk of pollard_rho from a given state.
Object rho_walk(Handle x, Handle c, Object i, Object k, Object x0, Object y) {
    for (;;) {
        check_interrupts();
        i = add(i, k_1);
        Object square = call_own(own::mod_mul, {x0, x0, x});
        x0 = mod(add(square, c), x);
        Object fn = global(own::gcd.name);
        Object difference = sub(y, x0);
        Object d = call(fn, {difference, x});
        if (truthy(ne(d, k_1)) && truthy(ne(d, x))) return d;
        if (truthy(eq(y, x0))) return Object::borrow(x.get());
        if (truthy(eq(i, k))) {
            y = x0;
            k = add(k, k);
        }
    }
}

bool rho_intact() { return own::mod_mul.intact() && own::gcd.intact(); }

// The native walk takes its first steps with the GIL held (walks on small values end in them;
// a longer walk pays for letting the GIL go), then goes on without it in pieces of some tens of
// microseconds.
constexpr u64 rho_first_steps = u64{1} << 10;
constexpr u64 rho_piece_steps = u64{1} << 12;

u64 rho_result(nt::RhoWalk& walk) {
    if (std::optional<u64> d = nt::rho_steps(walk, rho_first_steps)) return *d;
    return run_unlocked(true, [&](auto& keep_going) {
        std::optional<u64> d;
        while (!(d = nt::rho_steps(walk, rho_piece_steps)) && keep_going()) {
        }
        return d.value_or(0);   // nothing once stopped
    });
}

Object pollard_rho(Object x, Object c) {
    u64 xv = 0, start = 0, c_mod_x = 0;
    bool native = as_u64(x, xv) && xv > 0 && PyLong_CheckExact(c.get()) && random_intact() &&
                  rho_intact();
    Object x0 = native ? call(seen.randint, {k_0, x}) : draw(k_0, x);
    if (native && as_u64(x0, start) && start <= xv && rho_intact() &&
        as_u64(mod(c, x), c_mod_x)) {  // the walk adds c modulo x
        nt::RhoWalk walk = nt::rho_begin(xv, c_mod_x, start);
        u64 d = rho_result(walk);
        return d == xv ? x : from_u64(d);
    }
    return rho_walk(x, c, one(), Object::borrow(k_2.get()), x0, x0);
}

Object prime_factors_list_generator(Object n) {
    Object result = new_list();
    if (truthy(le(n, k_1))) return none();
    if (truthy(call_own(own::miller_rabin_prime_check, {n})))
        return list_of({n});
    Object p = n;
    while (truthy(ge(p, n))) {
        check_interrupts();
        Object rho = global(own::pollard_rho.name);
        Object c = draw_below(k_1, n);
        p = call(rho, {p, c});
    }
    call_method(result, name::extend, {call_own(own::prime_factors_list_generator, {p})});
    Object fn = global(own::prime_factors_list_generator.name);
    Object cofactor = floordiv(n, p);
    call_method(result, name::extend, {call(fn, {cofactor})});
    return result;
}

Object prime_factors_list_cleaner(Object n) {
    Object counter = global(name::Counter);
    Object factors = call_own(own::prime_factors_list_generator, {n});
    return call(counter, {factors});
}

Object prime_factors_list_cleaner_sorted(Object n) {
    Object d = call_own(own::prime_factors_list_cleaner, {n});
    // sorted(d.keys()): a new list of the keys, sorted in place.
    Object ks = Object::check(PySequence_List(call_method(d, name::keys).get()));
    if (PyList_Sort(ks.get()) < 0) fail();
    Object nd = new_dict();
    for (Object k : iterate(ks)) setitem(nd, k, getitem(d, k));
    return nd;
}

// ---- the module body --------------------------------------------------------------------------------

// `def` of a function that other functions call: its object is kept as the original.
template <auto F>
void def_own(Own& own, const FunctionInfo& info) {
    Object f = def<F>(info);
    Py_XSETREF(own.object, f.release());
}

// Records, at load, what the fast paths check against.
void remember_math(Handle math) {
    keep(seen.math, math);
    keep(seen.floor, attr(math, name::floor));
    keep(seen.sqrt, attr(math, name::sqrt));
    keep(seen.math_gcd, attr(math, name::gcd));
    keep(seen.factorial, attr(math, name::factorial));
    Object limit = Object::check(PyLong_FromString("3317044064679887385961981", nullptr, 10));
    keep(seen.wide_limit, limit);
}

void remember_random(Handle random) {
    keep(seen.random, random);
    keep(seen.seed, attr(random, name::seed));
    keep(seen.randint, attr(random, name::randint));
}

void body() {
    set_global(name::math, import_module(name::math));
    remember_math(global(name::math));
    def_own<is_prime>(own::is_prime, {.name = "is_prime", .vars = {"n", "i"},
        .doc = "alter:from mpmath.libmp.libintmath import isprime\n\n    :param n: 大于0\n    :return: 判断n是否是质数\n    "});
    def_own<is_composite>(own::is_composite, {.name = "is_composite", .vars = {"n"},
        .doc = "\n\n    :param n: 大于3\n    :return: 判断n是否是合数\n    "});
    def_own<is_odd>(own::is_odd, {.name = "is_odd", .vars = {"n"},
        .doc = "\n\n    :param n: 大于等于0\n    :return: 判断n是否是奇数\n    "});
    def_own<is_even>(own::is_even, {.name = "is_even", .vars = {"n"},
        .doc = "\n\n    :param n: 大于等于0\n    :return: 判断n是否是偶数\n    "});
    def<get_max_prime>({.name = "get_max_prime", .vars = {"n"},
        .doc = "\n\n    :param n: 大于等于2\n    :return: 获取最大质数\n    "});
    def<get_max_composite>({.name = "get_max_composite", .vars = {"n"},
        .doc = "\n\n    :param n: 大于等于4\n    :return: 判断n是否是质数\n    "});
    def<get_max_even>({.name = "get_max_even", .vars = {"n"},
        .doc = "\n\n    :param n: 大于等于0\n    :return: 获取最大偶数\n    "});
    def<get_max_odd>({.name = "get_max_odd", .vars = {"n"},
        .doc = "\n\n    :param n: 大于0\n    :return: 获取最大奇数\n    "});
    def_own<get_all_primes>(own::get_all_primes, {.name = "get_all_primes",
        .vars = {"minn", "maxn", "result", "i"},
        .doc = "\n\n    :param minn: 大于等于0\n    :param maxn: 大于等于minn\n    :return: 获取所有质数\n    "});
    def_own<get_next_prime>(own::get_next_prime, {.name = "get_next_prime", .vars = {"start_prime", "n"}});
    def<get_pre_prime>({.name = "get_pre_prime", .vars = {"end_prime", "n"}});
    def_own<get_next_primes>(own::get_next_primes, {.name = "get_next_primes",
        .vars = {"start_prime", "count", "cntu", "ps", "lp", "p"}});
    def<get_prime_position>({.name = "get_prime_position", .vars = {"p"}});
    def<get_all_composites>({.name = "get_all_composites", .vars = {"minn", "maxn", "result", "i"},
        .doc = "\n\n    :param minn: 大于等于0\n    :param maxn: 大于等于minn\n    :return: 获取所有复数\n    "});
    def<get_all_evens>({.name = "get_all_evens", .vars = {"minn", "maxn", "result", "i"},
        .doc = "\n\n    :param minn: 大于等于0\n    :param maxn: 大于等于minn\n    :return: 获取所有偶数\n    "});
    def<get_all_odds>({.name = "get_all_odds", .vars = {"minn", "maxn", "result", "i"},
        .doc = "\n\n    :param minn: 大于等于0\n    :param maxn: 大于等于minn\n    :return: 获取所有奇数\n    "});
    def<get_ed_primes>({.name = "get_ed_primes", .vars = {"n", "nmax", "d", "l", "r", "ps", "count"},
        .defaults = {integer(1000)},
        .doc = "\n    获取n左右等距离的所有素数对\n    :param n:\n    :param nmax:\n    :return:\n    "});
    def<get_right_ed_prime>({.name = "get_right_ed_prime",
        .vars = {"p", "nmax", "countmax", "count", "d", "n", "ps", "r"},
        .defaults = {integer(100), integer(100)},
        .doc = "获取p以n左右等距离的所有素数对\n\n    :param nmax:\n    :param p:\n    :param countmax:\n    :return:\n    "});
    def<get_left_ed_prime>({.name = "get_left_ed_prime", .vars = {"p", "d", "n", "l", "ps"},
        .doc = "获取p以n左右等距离的所有素数对\n\n    :param p:\n    :return:\n    "});
    def<factorial>({.name = "factorial", .vars = {"n"},
        .doc = "\n\n    :param n: 大于0\n    :return: 返回n的阶乘\n    "});
    def<wilson_top>({.name = "wilson_top", .vars = {"n"},
        .doc = "\n\n    :param n: n为质数\n    :return: 返回威尔逊分子\n    "});
    def<wilson>({.name = "wilson", .vars = {"n"},
        .doc = "\n\n    :param n: n为质数\n    :return: 返回威尔逊数\n    "});
    def<get_near_primes>({.name = "get_near_primes", .vars = {"p", "even_span", "count", "result"},
        .defaults = {integer(2), integer(1)}, .doc = "获取左右等距离素数对"});
    def<get_mul_prime>({.name = "get_mul_prime", .vars = {"length", "pp", "p"},
        .defaults = {integer(1)},
        .doc = "获取length个素数乘积\n\n    :param length:\n    :return:\n    "});
    def<get_all_mul_primes>({.name = "get_all_mul_primes",
        .vars = {"count", "pps", "ps", "i", "pp", "j"}, .defaults = {integer(1)},
        .doc = "获取count个的length个素数乘积\n\n    :param count:\n    :return:\n    "});
    set_global(name::random, import_module(name::random));
    remember_random(global(name::random));
    set_global(name::Counter, import_from(name::collections, name::Counter));
    def_own<gcd>(own::gcd, {.name = "gcd", .vars = {"a", "b", "c"}});
    def_own<mod_mul>(own::mod_mul, {.name = "mod_mul", .vars = {"a", "b", "n", "result"}});
    def_own<mod_exp>(own::mod_exp, {.name = "mod_exp", .vars = {"a", "b", "n", "result"}});
    def_own<miller_rabin_prime_check>(own::miller_rabin_prime_check,
        {.name = "miller_rabin_prime_check", .vars = {"n", "k", "u", "s", "i", "x", "pre", "j"}});
    def_own<pollard_rho>(own::pollard_rho, {.name = "pollard_rho",
        .vars = {"x", "c", "i", "k", "x0", "y", "d"}});
    def_own<prime_factors_list_generator>(own::prime_factors_list_generator,
        {.name = "prime_factors_list_generator", .vars = {"n", "result", "p"}});
    def_own<prime_factors_list_cleaner>(own::prime_factors_list_cleaner,
        {.name = "prime_factors_list_cleaner", .vars = {"n"}});
    def<prime_factors_list_cleaner_sorted>({.name = "prime_factors_list_cleaner_sorted",
        .vars = {"n", "d", "ks", "nd", "k"}});
}

}  // namespace

TALLOWKIT_MODULE(prime, "tallowkit.math.prime", "Number theory on the interpreter's integers: primality, prime search and factorisation.", body)
