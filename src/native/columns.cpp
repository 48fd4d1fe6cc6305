// columns.cpp: spreadsheet column numbering on machine integers and ASCII.
#include "columns.hpp"

namespace native {

namespace {
unsigned char ascii_upper(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }
}  // namespace

std::size_t column_letters(unsigned long long n, char* out) {
    char reversed[max_column_letters];
    std::size_t count = 0;
    while (n > 0) {
        unsigned long long m = n % 26;
        if (m == 0) m = 26;
        reversed[count++] = static_cast<char>('@' + m);
        n = (n - m) / 26;
    }
    for (std::size_t k = 0; k < count; ++k) out[k] = reversed[count - 1 - k];
    return count;
}

long long column_value(const unsigned char* s, std::size_t n) {
    long long t = 0;
    long long place = 1;
    for (std::size_t i = 0; i < n; ++i) {
        t += (static_cast<long long>(ascii_upper(s[n - 1 - i])) - 64) * place;
        place *= 26;
    }
    return t;
}

bool split_a1(const unsigned char* s, std::size_t n, long long* row, long long* col) {
    unsigned char letters[max_exact_column_text];
    std::size_t nletters = 0, ndigits = 0;
    long long r = 0;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char c = ascii_upper(s[i]);
        if (c >= 'A' && c <= 'Z') {
            if (nletters == max_exact_column_text) return false;
            letters[nletters++] = c;
        } else if (c >= '0' && c <= '9') {
            if (ndigits == max_exact_row_digits) return false;
            ++ndigits;
            r = r * 10 + (c - '0');
        }
    }
    if (ndigits == 0) return false;
    *row = r;
    *col = column_value(letters, nletters);
    return true;
}

std::size_t decimal(long long v, char* out) {
    char reversed[20];
    std::size_t count = 0;
    // Work on the negative side, where every long long has a counterpart.
    long long x = v < 0 ? v : -v;
    do {
        reversed[count++] = static_cast<char>('0' - x % 10);
        x /= 10;
    } while (x != 0);
    std::size_t len = 0;
    if (v < 0) out[len++] = '-';
    while (count) out[len++] = reversed[--count];
    return len;
}

}  // namespace native
