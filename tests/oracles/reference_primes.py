"""Plain big-integer references for the number-theory tests and the benchmark: a deterministic
primality test and the module's rho walk with its step count. Nothing here is shared with the
package's own code."""
import math

FIRST_PRIMES = (2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41)
PSI13 = 3317044064679887385961981   # first strong pseudoprime to all the bases above


def strong_probable_prime(n, base):
    """Whether odd n > 2 passes one strong probable-prime round to the base."""
    d, s = n - 1, 0
    while d % 2 == 0:
        d, s = d // 2, s + 1
    x = pow(base, d, n)
    if x in (1, n - 1):
        return True
    for _ in range(s - 1):
        x = x * x % n
        if x == n - 1:
            return True
    return False


def is_probable_prime(n):
    """Miller-Rabin to the first 13 prime bases: primality itself below PSI13."""
    if n < 2:
        return False
    for p in FIRST_PRIMES:
        if n % p == 0:
            return n == p
    return all(strong_probable_prime(n, a) for a in FIRST_PRIMES)


def next_probable_prime(n):
    while not is_probable_prime(n):
        n += 1
    return n


def products_near_the_roots_of(powers, spread=3000):
    """(p, n): squares, twin products and products of neighbouring primes p < q whose product n
    lies near each power of two, where float(n) drops low bits of n."""
    cases = []
    for power in powers:
        centre = int(math.sqrt(power))
        primes = [next_probable_prime(centre - spread)]
        while primes[-1] < centre + spread:
            primes.append(next_probable_prime(primes[-1] + 1))
        cases += [(p, p * p) for p in primes]
        cases += [(p, p * (p + 2)) for p in primes if is_probable_prime(p + 2)]
        cases += [(p, p * q) for p, q in zip(primes, primes[1:])]
    return cases


def rho_walk(x, c, x0, max_steps=None):
    """The module's walk on x with constant c from x0, cut after max_steps steps (None: no cut):
    (result, i), result None when cut. For x > 0 the module's gcd(y - x0, x) is math.gcd."""
    i, k, y = 1, 2, x0
    while max_steps is None or i - 1 < max_steps:
        i += 1
        x0 = (x0 * x0 % x + c) % x
        d = math.gcd(y - x0, x)
        if d != 1 and d != x:
            return d, i
        if y == x0:
            return x, i
        if i == k:
            y, k = x0, k + k
    return None, i
