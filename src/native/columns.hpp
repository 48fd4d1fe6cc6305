// columns.hpp: spreadsheet column numbering (bijective base 26) on machine integers and ASCII.
#pragma once

#include <cstddef>

namespace native {

// Letters of the largest column number a 64-bit unsigned value holds.
inline constexpr std::size_t max_column_letters = 14;
// Longest ASCII text whose column value cannot overflow 64 bits, whatever its characters.
inline constexpr std::size_t max_exact_column_text = 13;
// Longest decimal row that fits in 64 bits, leading zeros included.
inline constexpr std::size_t max_exact_row_digits = 18;

// Column letters of `n` written to `out` (room for max_column_letters); returns how many.
// 0 has no letters.
std::size_t column_letters(unsigned long long n, char* out);

// Column value of an ASCII text: each character, upper-cased, is worth its code minus 64, the
// rightmost least significant. Works for texts of at most max_exact_column_text characters.
long long column_value(const unsigned char* s, std::size_t n);

// An A1 reference in ASCII: letters (either case) make the column, decimal digits the row,
// everything else is skipped. False when the reference has no digit, more than
// max_exact_row_digits digits or more than max_exact_column_text letters.
bool split_a1(const unsigned char* s, std::size_t n, long long* row, long long* col);

// Decimal text of `v` written to `out` (room for 20 characters); returns how many.
std::size_t decimal(long long v, char* out);

}  // namespace native
