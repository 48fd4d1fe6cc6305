"""Number theory: factorisation, primes in a range, Wilson quotients, the next prime."""
import tallowkit.math.prime as prime


def show(workdir):
    n = 600851475143
    print("factors of %d:" % n, prime.prime_factors_list_cleaner_sorted(n))
    print("primes between 100 and 150:", prime.get_all_primes(100, 150))
    print("twin primes from 1019 on:", prime.get_near_primes(1019, 2, 3))
    print("Wilson quotient of 13:", prime.wilson(13), "(numerator %d)" % prime.wilson_top(13))
    print("next prime after 10**12:", prime.get_next_prime(10 ** 12))
    print("position of 7919 among the primes:", prime.get_prime_position(7919))
    print("2**61 - 1 is prime:", prime.is_prime(2 ** 61 - 1))
