// tallowkit.math.prime: number theory on the interpreter's integers (primality, prime search,
// factorisation). Every function runs its algorithm on interpreter objects; exact ints in the
// native range take native paths that give the same results while the globals they stand in
// for are still the module's own.
#include "tallowkit.hpp"
#include "traceback.hpp"

#include <new>

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
const Builtin range_{"range"};
const Builtin ValueError_{"ValueError"};

// ---- calling the module's own functions ------------------------------------------------------
// A module function as defined at load. Calls between module functions look the callee up as
// a global, so rebinding it takes effect; while the global is still this function, its C++
// body runs directly, with the traceback entry that a call through the interpreter adds.
struct Own {
    Own(const char* simple, const char* dotted) : name(simple), entry(dotted) {}
    Name name;
    const char* entry;
    PyObject* object = nullptr;  // the function object made at load (kept for good)
    bool intact() const { return global_is(name, object); }
};

#define TK_OWN(f) Own f{#f, "tallowkit.math.prime." #f}
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

// fn(args...) where `fn` is the value of the global `callee.name` just looked up.
template <auto F>
Object invoke(const Own& callee, Handle fn, std::initializer_list<Handle> args,
              Loc loc = Loc::current()) {
    if (!fn.is(callee.object)) return call(fn, args, loc);
    try {
        return Object::steal(trampoline<F>(reinterpret_cast<PyObject* const*>(args.begin())));
    } catch (const Error& e) {
        add_traceback_entry(callee.entry, static_cast<int>(e.line));
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
        add_traceback_entry(callee.entry, static_cast<int>(loc.line()));
    }
    fail(loc);
}

// Looks the callee up, then calls it: for arguments that are already evaluated.
template <auto F>
Object call_own(const Own& callee, std::initializer_list<Handle> args, Loc loc = Loc::current()) {
    Object fn = global(callee.name, loc);
    return invoke<F>(callee, fn, args, loc);
}

// Loops of ours answer Ctrl-C as the same loop written in Python would.
void poll(Loc loc = Loc::current()) {
    if (PyErr_CheckSignals() < 0) fail(loc);
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

// ---- parity and primality ------------------------------------------------------------------

// is_prime(n): trial division by every integer from 2 to floor(sqrt(n)).
Object is_prime(Object n) {
    if (truthy(le(n, k_1))) return False();
    Object floor = attr(global(name::math), name::floor);
    Object sqrt = attr(global(name::math), name::sqrt);
    Object root = call(sqrt, {n});
    Object bound = add(call(floor, {root}), k_1);
    for (Object i : iterate(call(range_, {k_2, bound}))) {
        poll();
        if (truthy(eq(mod(n, i), k_0))) return False();
    }
    return True();
}

Object is_composite(Object n) {
    if (truthy(lt(n, k_4))) return False();
    return boolean(!truthy(call_own<is_prime>(own::is_prime, {n})));
}

// n % 2 == <remainder>, answered as True or False.
Object remainder_is(Handle n, const Int& remainder) {
    return boolean(truthy(eq(mod(n, k_2), remainder)));
}

Object is_odd(Object n) { return remainder_is(n, k_1); }
Object is_even(Object n) { return remainder_is(n, k_0); }

// The largest value not above n that `predicate` accepts, counting down one at a time.
template <auto Predicate>
Object largest_accepted(Object n, const Int& threshold, const Own& predicate) {
    if (truthy(lt(n, threshold))) return none();
    for (;;) {
        poll();
        if (truthy(call_own<Predicate>(predicate, {n}))) return n;
        n = sub(n, k_1);
    }
}

Object get_max_prime(Object n) { return largest_accepted<is_prime>(n, k_2, own::is_prime); }
Object get_max_composite(Object n) {
    return largest_accepted<is_composite>(n, k_4, own::is_composite);
}

// n when `predicate` accepts it, else n - 1 (one step down at most).
template <auto Predicate>
Object at_most_one_down(Object n, const Int& threshold, const Own& predicate) {
    if (truthy(lt(n, threshold))) return none();
    if (truthy(call_own<Predicate>(predicate, {n}))) return n;
    return sub(n, k_1);
}

Object get_max_even(Object n) { return at_most_one_down<is_even>(n, k_0, own::is_even); }
Object get_max_odd(Object n) { return at_most_one_down<is_odd>(n, k_1, own::is_odd); }

// ---- prime search and enumeration ------------------------------------------------------------

// The values of [minn, maxn] (minn raised to `clamp` first) that `predicate` accepts.
template <auto Predicate>
Object all_accepted(Object minn, Object maxn, const Int& clamp, const Own& predicate) {
    Object result = new_list();
    if (truthy(le(minn, clamp))) minn = Object::borrow(clamp.get());
    if (truthy(gt(minn, maxn))) return result;
    Object stop = add(maxn, k_1);
    for (Object i : iterate(call(range_, {minn, stop}))) {
        poll();
        if (truthy(call_own<Predicate>(predicate, {i}))) append(result, i);
    }
    return result;
}

Object get_all_primes(Object minn, Object maxn) {
    return all_accepted<is_prime>(minn, maxn, k_2, own::is_prime);
}
Object get_all_composites(Object minn, Object maxn) {
    return all_accepted<is_composite>(minn, maxn, k_2, own::is_composite);
}
Object get_all_evens(Object minn, Object maxn) {
    return all_accepted<is_even>(minn, maxn, k_0, own::is_even);
}
Object get_all_odds(Object minn, Object maxn) {
    return all_accepted<is_odd>(minn, maxn, k_0, own::is_odd);
}

Object get_next_prime(Object start_prime) {
    if (truthy(le(start_prime, k_0))) raise(ValueError_, {str::start_not_positive});
    Object n = add(start_prime, k_1);
    for (;;) {
        poll();
        if (truthy(call_own<is_prime>(own::is_prime, {n}))) return n;
        n = add(n, k_1);
    }
}

Object get_pre_prime(Object end_prime) {
    if (truthy(le(end_prime, k_0))) raise(ValueError_, {str::end_not_positive});
    Object n = sub(end_prime, k_1);
    for (;;) {
        poll();
        if (truthy(call_own<is_prime>(own::is_prime, {n}))) return n;
        n = sub(n, k_1);
        if (truthy(lt(n, k_2))) return none();
    }
}

// The loop of get_next_primes from a given state: `ps` so far, `lp` the last prime.
Object next_primes_from(Object count, Object ps, Object lp) {
    while (truthy(lt(length(ps), count))) {
        poll();
        Object p = call_own<get_next_prime>(own::get_next_prime, {lp});
        append(ps, p);
        lp = p;
    }
    return ps;
}

Object get_next_primes(Object start_prime, Object count) {
    Object ps = new_list();
    return next_primes_from(count, ps, start_prime);
}

Object get_prime_position(Object p) {
    if (!truthy(call_own<is_prime>(own::is_prime, {p}))) return none();
    return length(call_own<get_all_primes>(own::get_all_primes, {k_0, p}));
}

// is_prime(a) and is_prime(b), with b computed only when a is prime.
template <typename MakeB>
bool both_prime(Handle a, MakeB make_b) {
    if (!truthy(call_own<is_prime>(own::is_prime, {a}))) return false;
    Object fn = global(own::is_prime.name);
    Object b = make_b();
    return truthy(invoke<is_prime>(own::is_prime, fn, {b}));
}

Object get_ed_primes(Object n, Object nmax) {
    Object d = zero();
    Object l = sub(n, d);
    Object r = add(n, d);
    Object ps = new_dict();
    Object count = zero();
    while (truthy(gt(l, k_1)) && truthy(lt(count, nmax))) {
        poll();
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
    Object count = zero();
    Object d = zero();
    Object n = add(p, d);
    Object ps = new_dict();
    while (truthy(lt(count, countmax)) && truthy(lt(n, nmax))) {
        poll();
        Object r = sub(mul(k_2, n), p);
        if (truthy(call_own<is_prime>(own::is_prime, {r}))) {
            setitem(ps, d, list_of({p, r, n}));
            count = add(count, k_1);
        }
        d = add(d, k_1);
        n = add(p, d);
    }
    return ps;
}

Object get_left_ed_prime(Object p) {
    Object d = zero();
    Object n = sub(p, d);
    Object l = sub(n, d);
    Object ps = new_dict();
    while (truthy(gt(l, k_1))) {
        poll();
        if (truthy(call_own<is_prime>(own::is_prime, {l}))) setitem(ps, d, list_of({l, p, n}));
        d = add(d, k_1);
        n = sub(p, d);
        l = sub(n, d);
    }
    return ps;
}

// ---- factorials and Wilson numbers -------------------------------------------------------------

Object factorial(Object n) {
    Object factorial = attr(global(name::math), name::factorial);
    return call(factorial, {n});
}

// math.factorial(n - 1) + 1
Object wilson_numerator(Handle n) {
    Object factorial = attr(global(name::math), name::factorial);
    return add(call(factorial, {sub(n, k_1)}), k_1);
}

Object wilson_top(Object n) { return wilson_numerator(n); }

Object wilson(Object n) {
    if (!truthy(call_own<is_prime>(own::is_prime, {n}))) return none();
    return truediv(wilson_numerator(n), n);
}

// ---- prime pairs and products of primes --------------------------------------------------------

// The loop of get_near_primes from a given state.
Object near_primes_from(Object p, Object even_span, Object count, Object result) {
    while (truthy(gt(count, k_0))) {
        poll();
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
    if (truthy(ne(mod(even_span, k_2), k_0))) return none();
    if (truthy(call_own<is_composite>(own::is_composite, {p}))) return none();
    if (truthy(le(count, k_0))) return none();
    return near_primes_from(p, even_span, count, new_list());
}

// The first `count` primes, as get_next_primes(1, count) gives them.
Object first_primes(Handle count) {
    return call_own<get_next_primes>(own::get_next_primes, {k_1, count});
}

Object get_mul_prime(Object length) {
    Object pp = one();
    for (Object p : iterate(first_primes(length))) {
        poll();
        pp = mul(pp, p);
    }
    return pp;
}

Object get_all_mul_primes(Object count) {
    Object pps = new_list();
    Object ps = first_primes(count);
    for (Object i : iterate(call(range_, {k_0, count}))) {
        Object pp = one();
        for (Object j : iterate(call(range_, {k_0, add(i, k_1)}))) {
            poll();
            pp = mul(pp, getitem(ps, j));
        }
        append(pps, pp);
    }
    return pps;
}

// ---- modular arithmetic ---------------------------------------------------------------------------

Object gcd(Object a, Object b) {
    if (truthy(eq(a, k_0))) return b;
    if (truthy(lt(a, k_0))) {
        Object fn = global(own::gcd.name);
        Object minus_a = neg(a);
        return invoke<gcd>(own::gcd, fn, {minus_a, b});
    }
    while (truthy(gt(b, k_0))) {
        poll();
        Object c = mod(a, b);
        a = b;
        b = c;
    }
    return a;
}

// (b & 1) > 0
bool low_bit_set(Handle b) { return truthy(gt(bit_and(b, k_1), k_0)); }

Object mod_mul(Object a, Object b, Object n) {
    Object result = zero();
    while (truthy(gt(b, k_0))) {
        poll();
        if (low_bit_set(b)) result = mod(add(result, a), n);
        a = mod(add(a, a), n);
        b = rshift(b, k_1);
    }
    return result;
}

Object mod_exp(Object a, Object b, Object n) {
    Object result = one();
    while (truthy(gt(b, k_0))) {
        poll();
        if (low_bit_set(b)) result = call_own<mod_mul>(own::mod_mul, {result, a, n});
        a = call_own<mod_mul>(own::mod_mul, {a, a, n});
        b = rshift(b, k_1);
    }
    return result;
}

// ---- Miller-Rabin ----------------------------------------------------------------------------------

// The trials of miller_rabin_prime_check from trial `i` on, the base of that trial already
// drawn as `x`; n - 1 == u * 2**k.
Object miller_rabin_trials(Handle n, Handle k, Handle u, long i, Object x) {
    for (;; ++i) {
        poll();
        if (!truthy(eq(mod(x, n), k_0))) {
            x = call_own<mod_exp>(own::mod_exp, {x, u, n});
            Object pre = x;
            for (Object j : iterate(call(range_, {k}))) {
                poll();
                x = call_own<mod_mul>(own::mod_mul, {x, x, n});
                if (truthy(eq(x, k_1)) && truthy(ne(pre, k_1)) && truthy(ne(pre, sub(n, k_1))))
                    return False();
                pre = x;
            }
            if (truthy(ne(x, k_1))) return False();
        }
        if (i + 1 == 5) return True();
        Object randint = attr(global(name::random), name::randint);
        x = call(randint, {k_2, sub(n, k_1)});
    }
}

Object miller_rabin_prime_check(Object n) {
    for (const Int* small : {&k_2, &k_3, &k_5, &k_7, &k_11})
        if (truthy(eq(n, *small))) return True();
    if (truthy(eq(n, k_1))) return False();
    for (const Int* small : {&k_2, &k_3, &k_5, &k_7, &k_11})
        if (truthy(eq(mod(n, *small), k_0))) return False();
    Object k = zero();
    Object u = sub(n, k_1);
    while (!low_bit_set(u)) {
        poll();
        k = add(k, k_1);
        u = rshift(u, k_1);
    }
    call_method(global(name::random), name::seed, {k_0});
    Object randint = attr(global(name::random), name::randint);
    Object x = call(randint, {k_2, sub(n, k_1)});
    return miller_rabin_trials(n, k, u, 0, x);
}

// ---- Pollard's rho and factorisation ---------------------------------------------------------------

// The walk of pollard_rho from a given state.
Object rho_walk(Handle x, Handle c, Object i, Object k, Object x0, Object y) {
    for (;;) {
        poll();
        i = add(i, k_1);
        Object square = call_own<mod_mul>(own::mod_mul, {x0, x0, x});
        x0 = mod(add(square, c), x);
        Object fn = global(own::gcd.name);
        Object difference = sub(y, x0);
        Object d = invoke<gcd>(own::gcd, fn, {difference, x});
        if (truthy(ne(d, k_1)) && truthy(ne(d, x))) return d;
        if (truthy(eq(y, x0))) return Object::borrow(x.get());
        if (truthy(eq(i, k))) {
            y = x0;
            k = add(k, k);
        }
    }
}

Object pollard_rho(Object x, Object c) {
    Object randint = attr(global(name::random), name::randint);
    Object x0 = call(randint, {k_0, x});
    return rho_walk(x, c, one(), Object::borrow(k_2.get()), x0, x0);
}

Object prime_factors_list_generator(Object n) {
    Object result = new_list();
    if (truthy(le(n, k_1))) return none();
    if (truthy(call_own<miller_rabin_prime_check>(own::miller_rabin_prime_check, {n})))
        return list_of({n});
    Object p = n;
    while (truthy(ge(p, n))) {
        poll();
        Object rho = global(own::pollard_rho.name);
        Object randint = attr(global(name::random), name::randint);
        Object c = call(randint, {k_1, sub(n, k_1)});
        p = invoke<pollard_rho>(own::pollard_rho, rho, {p, c});
    }
    call_method(result, name::extend,
                {call_own<prime_factors_list_generator>(own::prime_factors_list_generator, {p})});
    Object fn = global(own::prime_factors_list_generator.name);
    Object cofactor = floordiv(n, p);
    call_method(result, name::extend, {invoke<prime_factors_list_generator>(
                                          own::prime_factors_list_generator, fn, {cofactor})});
    return result;
}

Object prime_factors_list_cleaner(Object n) {
    Object counter = global(name::Counter);
    Object factors =
        call_own<prime_factors_list_generator>(own::prime_factors_list_generator, {n});
    return call(counter, {factors});
}

Object prime_factors_list_cleaner_sorted(Object n) {
    Object d = call_own<prime_factors_list_cleaner>(own::prime_factors_list_cleaner, {n});
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

void body() {
    set_global(name::math, import_module(name::math));
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
