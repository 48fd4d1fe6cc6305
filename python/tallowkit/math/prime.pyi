"""Number theory on Python's arbitrary-size integers.

Parity and primality tests, prime search and enumeration, prime pairs at equal distances,
products of the first primes, factorials and Wilson numbers, modular arithmetic, a seeded
Miller-Rabin test, Pollard's rho and prime factorisation.

Every function runs the plain algorithm that its description gives, on whatever objects it is
handed (ints, and where a function says so, floats); for ints within the machine's native range
the module takes native shortcuts that give exactly the same results, exceptions and state of the
shared `random` generator. Functions call each other through the module's globals at call time:
rebinding, say, `prime.is_prime` changes every function that uses it.

Functions of one parameter take it by position only. Long searches can be interrupted with
Ctrl-C (KeyboardInterrupt), as a loop written in Python can.
"""

from collections import Counter
from typing import Any, overload

__test__: dict[str, Any]
"""Always empty (a table that doctest would read)."""

# ---- parity and primality --------------------------------------------------------------------

def is_prime(n: float, /) -> bool:
    """Tell whether n is prime, by trial division.

    Parameters:
        n: the number to test: an int, or a float (7.0 is prime).

    Returns:
        False for n <= 1; otherwise True when no integer from 2 to floor(sqrt(n)) divides n.
        The bound is computed in floating point, as `math.floor(math.sqrt(n)) + 1`.

    Raises:
        TypeError: n is not a number (from the comparison `n <= 1`).
        OverflowError: n is an int too large for a float (from `math.sqrt`).

    Notes:
        Plain trial division costs about sqrt(n) steps; for exact ints below 2^64 a native
        test gives the same answer at once.
    """

def is_composite(n: float, /) -> bool:
    """Tell whether n is composite.

    Parameters:
        n: an int or a float.

    Returns:
        False for n < 4 (without testing primality); otherwise `not is_prime(n)`.

    Raises:
        TypeError: n is not a number.
        OverflowError: n is an int too large for a float (from `is_prime`).
    """

def is_odd(n: float, /) -> bool:
    """Tell whether n is odd: `n % 2 == 1`.

    Parameters:
        n: an int or a float. Python's remainder is never negative here, so -3 is odd.

    Returns:
        True or False.

    Raises:
        TypeError: n does not support `% 2`.
    """

def is_even(n: float, /) -> bool:
    """Tell whether n is even: `n % 2 == 0`.

    Parameters:
        n: an int or a float; 0 and -2 are even.

    Returns:
        True or False.

    Raises:
        TypeError: n does not support `% 2`.
    """

@overload
def get_max_prime(n: int, /) -> int | None: ...
@overload
def get_max_prime(n: float, /) -> float | None:
    """Return the largest prime not above n, counting down one at a time.

    Parameters:
        n: an int or a float. A float counts down in steps of 1.0, and `is_prime` decides each
            value, so a non-integral float such as 2.5 is returned as it is.

    Returns:
        The first value n, n - 1, n - 2, ... that `is_prime` accepts; None when n < 2.

    Raises:
        TypeError: n is not a number.
    """

@overload
def get_max_composite(n: int, /) -> int | None: ...
@overload
def get_max_composite(n: float, /) -> float | None:
    """Return the largest composite number not above n, counting down one at a time.

    Parameters:
        n: an int or a float.

    Returns:
        The first value n, n - 1, n - 2, ... that `is_composite` accepts; None when n < 4.

    Raises:
        TypeError: n is not a number.

    Notes:
        The search never ends for a non-integral float of 4 or more (4.5, 3.5, 2.5, ... are
        never composite and nothing stops the count); Ctrl-C interrupts it.
    """

@overload
def get_max_even(n: int, /) -> int | None: ...
@overload
def get_max_even(n: float, /) -> float | None:
    """Return n when it is even, else n - 1 (one step down at most).

    Parameters:
        n: an int or a float.

    Returns:
        n or n - 1; None when n < 0. For a non-integral float the result is n - 1, which is
        not even either.

    Raises:
        TypeError: n is not a number.
    """

@overload
def get_max_odd(n: int, /) -> int | None: ...
@overload
def get_max_odd(n: float, /) -> float | None:
    """Return n when it is odd, else n - 1 (one step down at most).

    Parameters:
        n: an int or a float.

    Returns:
        n or n - 1; None when n < 1.

    Raises:
        TypeError: n is not a number.
    """

# ---- prime search and enumeration -------------------------------------------------------------

def get_all_primes(minn: int, maxn: int) -> list[int]:
    """Return the primes from minn to maxn, both included, in ascending order.

    Parameters:
        minn: the lower bound; anything up to 2 counts as 2.
        maxn: the upper bound, included.

    Returns:
        A new list; empty when minn > maxn.

    Raises:
        TypeError: a bound is not an int (`range` takes ints only).
    """

def get_next_prime(start_prime: int, /) -> int:
    """Return the smallest prime strictly greater than start_prime.

    Parameters:
        start_prime: a positive int.

    Returns:
        The next prime: 2 for 1, 3 for 2.

    Raises:
        ValueError: start_prime <= 0, with the message "startPrime 必须大于0 " (must be
            greater than 0; the message ends with a blank).
        TypeError: start_prime is not a number.
    """

def get_pre_prime(end_prime: int, /) -> int | None:
    """Return the largest prime strictly smaller than end_prime.

    Parameters:
        end_prime: a positive int.

    Returns:
        The previous prime, or None when there is none (end_prime 1 or 2).

    Raises:
        ValueError: end_prime <= 0, with the message "endPrime 必须大于0 " (ends with a blank).
        TypeError: end_prime is not a number.
    """

def get_next_primes(start_prime: int, count: float) -> list[int]:
    """Return the count primes that follow start_prime, in ascending order.

    Parameters:
        start_prime: the prime search starts above it; must be positive when count > 0.
        count: how many primes; compared with the list's length by `<`, so a float works
            (and `float("inf")` never stops: the search then runs until interrupted).

    Returns:
        A new list: `get_next_primes(2, 3)` is [3, 5, 7]; empty for count <= 0.

    Raises:
        ValueError: start_prime <= 0 while count > 0 (from `get_next_prime`).
    """

def get_prime_position(p: int, /) -> int | None:
    """Return the 1-based position of the prime p among the primes (2 is 1, 13 is 6).

    Parameters:
        p: the prime whose position is wanted.

    Returns:
        The position, or None when p is not prime.

    Notes:
        The position is counted by listing every prime up to p (`get_all_primes(0, p)`), so
        the cost grows with p; below 2^22 a table answers at once. For a prime near 10^15 the
        count runs for a very long time; Ctrl-C interrupts it.
    """

def get_all_composites(minn: int, maxn: int) -> list[int]:
    """Return the composite numbers from minn to maxn, both included, in ascending order.

    Parameters:
        minn: the lower bound; anything up to 2 counts as 2.
        maxn: the upper bound, included.

    Returns:
        A new list: `get_all_composites(0, 10)` is [4, 6, 8, 9, 10]; empty when minn > maxn.

    Raises:
        TypeError: a bound is not an int.
    """

def get_all_evens(minn: int, maxn: int) -> list[int]:
    """Return the even numbers from minn to maxn, both included, in ascending order.

    Parameters:
        minn: the lower bound; anything up to 0 counts as 0.
        maxn: the upper bound, included.

    Returns:
        A new list: `get_all_evens(-5, 5)` is [0, 2, 4]; empty when minn > maxn.

    Raises:
        TypeError: a bound is not an int.
    """

def get_all_odds(minn: int, maxn: int) -> list[int]:
    """Return the odd numbers from minn to maxn, both included, in ascending order.

    Parameters:
        minn: the lower bound; anything up to 0 counts as 0.
        maxn: the upper bound, included.

    Returns:
        A new list: `get_all_odds(-5, 5)` is [1, 3, 5]; empty when minn > maxn.

    Raises:
        TypeError: a bound is not an int.
    """

def get_ed_primes(n: int, nmax: int = 1000) -> dict[int, list[int]]:
    """Return the pairs of primes at equal distance d to the left and right of n.

    Parameters:
        n: the centre.
        nmax: at most this many pairs are stored.

    Returns:
        A new dict from the distance d (ascending, from 0) to the pair [n - d, n + d], for
        every d with both members prime while n - d > 1. A prime n gives the entry
        0: [n, n]; `get_ed_primes(5)` is {0: [5, 5], 2: [3, 7]}.

    Raises:
        TypeError: an argument is not a number.
    """

def get_right_ed_prime(p: int, nmax: int = 100, countmax: int = 100) -> dict[int, list[int]]:
    """Return the primes r = p + 2d to the right of p, keyed by d, with their midpoint.

    Parameters:
        p: the left end; it is not tested itself.
        nmax: the scan stops when the midpoint p + d reaches nmax.
        countmax: the scan stops once this many entries are stored.

    Returns:
        A new dict from d (ascending) to [p, r, p + d] for every prime r found: a prime p
        gives 0: [p, p, p]; `get_right_ed_prime(3, 6)` is
        {0: [3, 3, 3], 1: [3, 5, 4], 2: [3, 7, 5]}.

    Raises:
        TypeError: an argument is not a number.
    """

def get_left_ed_prime(p: int, /) -> dict[int, list[int]]:
    """Return the primes l = p - 2d to the left of p, keyed by d, with their midpoint.

    Parameters:
        p: the right end.

    Returns:
        A new dict from d (ascending) to [l, p, p - d] for every prime l > 1 found, with no
        count limit: `get_left_ed_prime(7)` is {0: [7, 7, 7], 1: [5, 7, 6], 2: [3, 7, 5]}.

    Raises:
        TypeError: p is not a number.
    """

# ---- factorials and Wilson numbers -------------------------------------------------------------

def factorial(n: int, /) -> int:
    """Return n! (`math.factorial(n)`).

    Parameters:
        n: a non-negative int.

    Returns:
        n factorial; 1 for 0.

    Raises:
        ValueError: n is negative (or, on old interpreters, a non-integral float).
        TypeError: n is not an int (on interpreters whose `math.factorial` refuses floats).
    """

def wilson_top(n: int, /) -> int:
    """Return the numerator of Wilson's quotient, (n - 1)! + 1.

    Parameters:
        n: a positive int, usually a prime.

    Returns:
        `math.factorial(n - 1) + 1`: 25 for 5.

    Raises:
        ValueError: n - 1 is negative (from `math.factorial`).
    """

def wilson(n: int, /) -> float | None:
    """Return Wilson's quotient ((n - 1)! + 1) / n for a prime n.

    Parameters:
        n: the number; nothing is computed unless `is_prime(n)`.

    Returns:
        The quotient as a float by true division (5.0 for 5, 103.0 for 7, 1.0 for 2), rounded
        to the nearest float for large n; None when n is not prime.

    Raises:
        OverflowError: the quotient does not fit a float (primes from 173 on).
    """

# ---- prime pairs and products of primes --------------------------------------------------------

def get_near_primes(p: int, even_span: int = 2, count: float = 1) -> list[list[int]] | None:
    """Return the first count pairs [q, q + even_span] of primes, searching upwards from p.

    Parameters:
        p: where the search starts; it must not be composite.
        even_span: the distance between the two primes of a pair; must be even.
        count: how many pairs; compared with 0 by `>`, so a float works.

    Returns:
        A new list of two-element lists: `get_near_primes(3, 2, 3)` is
        [[3, 5], [5, 7], [11, 13]]. None when even_span is odd, when p is composite or when
        count <= 0 (tested in that order).

    Notes:
        The search ends only after count pairs: `count=float("inf")` never returns, and a
        span for which pairs stop existing would not either. Ctrl-C interrupts it.
    """

def get_mul_prime(length: int = 1) -> int:
    """Return the product of the first length primes (the primorial).

    Parameters:
        length: how many primes, from 2 on.

    Returns:
        2 for 1, 30 for 3, 1 for 0.
    """

def get_all_mul_primes(count: int = 1) -> list[int]:
    """Return the products of the first 1, 2, ..., count primes.

    Parameters:
        count: how many products.

    Returns:
        A new list: `get_all_mul_primes(4)` is [2, 6, 30, 210]; empty for 0.

    Raises:
        TypeError: count is not an int (it bounds a `range`).
    """

# ---- modular arithmetic -------------------------------------------------------------------------

def gcd(a: int, b: int) -> int:
    """Return the greatest common divisor of a and b by Euclid's algorithm.

    Parameters:
        a: the first number; a negative a is replaced by -a.
        b: the second number; a b of 0 or below skips the loop.

    Returns:
        b when a == 0 (unchanged: `gcd(0, -5)` is -5); otherwise the last non-zero remainder,
        or a itself when b <= 0 (`gcd(12, -8)` is 12).
    """

def mod_mul(a: int, b: int, n: int) -> int:
    """Return a * b modulo n, computed by doubling (additions, remainders and shifts only).

    Parameters:
        a: the multiplicand.
        b: the multiplier; nothing is computed for b <= 0.
        n: the modulus.

    Returns:
        `(a * b) % n` for b > 0; 0 for b <= 0.

    Raises:
        ZeroDivisionError: n is 0 and b > 0.
    """

def mod_exp(a: int, b: int, n: int) -> int:
    """Return a to the power b modulo n, by squaring, every product taken by `mod_mul`.

    Parameters:
        a: the base.
        b: the exponent; for b <= 0 the loop does not run.
        n: the modulus.

    Returns:
        `pow(a, b, n)` for b > 0 and n > 0; 1 for b <= 0, not reduced by n
        (`mod_exp(3, 0, 1)` is 1).

    Raises:
        ZeroDivisionError: n is 0 and b > 0.
    """

def miller_rabin_prime_check(n: int, /) -> bool:
    """Tell whether n is probably prime, by five Miller-Rabin trials with seeded bases.

    Parameters:
        n: the number to test.

    Returns:
        True for 2, 3, 5, 7 and 11; False for 1 and for multiples of those; otherwise True
        when n passes five trials whose bases are drawn with `random.randint(2, n - 1)`.

    Raises:
        ValueError: n is negative and not a multiple of 2, 3, 5, 7 or 11 (for example -1 or
            -13): `random.randint` gets an empty range.

    Notes:
        Changes state outside the module: every call that gets past the quick checks reseeds
        Python's shared `random` generator with `random.seed(0)`, so the same n always draws
        the same five bases, and a caller's own random sequence is reset.
    """

def pollard_rho(x: int, c: int) -> int:
    """Look for a non-trivial divisor of x with Pollard's rho walk `t -> (t * t + c) % x`.

    Parameters:
        x: the number to split.
        c: the walk's constant.

    Returns:
        A divisor d of x with 1 < d < x, or x itself when the walk closes without finding one.

    Raises:
        ZeroDivisionError: x is 0.

    Notes:
        The start is drawn with `random.randint(0, x)` from the shared generator. For a prime
        x the walk only closes after about sqrt(x) steps, which for large primes is
        practically endless; Ctrl-C interrupts it.
    """

def prime_factors_list_generator(n: int, /) -> list[int] | None:
    """Return the prime factors of n with multiplicity, in the order they were found.

    Parameters:
        n: the number to factorise.

    Returns:
        A new list whose product is n, not sorted (`sorted(...)` of it for 360 is
        [2, 2, 2, 3, 3, 5]); [n] when n passes `miller_rabin_prime_check`; None for n <= 1.

    Notes:
        Splits n with `pollard_rho`, drawing a fresh walk constant from the shared `random`
        generator for each attempt, and recurses into both parts; the primality test reseeds
        that generator on each level. A number that passes the probabilistic test is taken
        as prime.
    """

def prime_factors_list_cleaner(n: int, /) -> Counter[int]:
    """Return each prime factor of n with its multiplicity.

    Parameters:
        n: the number to factorise.

    Returns:
        `Counter(prime_factors_list_generator(n))`: an empty Counter for n <= 1.
    """

def prime_factors_list_cleaner_sorted(n: int, /) -> dict[int, int]:
    """Return each prime factor of n with its multiplicity, smallest prime first.

    Parameters:
        n: the number to factorise.

    Returns:
        A new plain dict with keys in ascending order: {2: 3, 3: 2, 5: 1} for 360; empty for
        n <= 1.
    """
