// tallowkit.cvt.cellnote: spreadsheet column letters and numbers, A1 references and (row, col).
#include "tallowkit.hpp"

#include "columns.hpp"

#include <cstring>
#include <optional>

using namespace tk;

namespace {

namespace name {
const Name upper{"upper"};
const Name strip{"strip"};
const Name isalpha{"isalpha"};
const Name isdigit{"isdigit"};
const Name cvt_one_to_a{"cvt_one_to_a"};
const Name cvt_a_to_one{"cvt_a_to_one"};
}  // namespace name

const Name k_empty{""};
const Int k_zero{0};
const Int k_one{1};
const Int k_26{26};
const Int k_64{64};
const Builtin chr_{"chr"};
const Builtin range_{"range"};

// The functions as defined at load: fast paths stand in for them only while the module
// still names them (a caller may rebind either).
PyObject* original_cvt_one_to_a = nullptr;
PyObject* original_cvt_a_to_one = nullptr;

// ---- the conversions of the builtins str, int and len -----------------------------------------
Object str_of(Handle o, Loc loc = Loc::current()) { return Object::check(PyObject_Str(o.get()), loc); }
Object int_of(Handle o, Loc loc = Loc::current()) { return Object::check(PyNumber_Long(o.get()), loc); }

// The module's own ord(): one-character texts and one-byte bytes; each refusal has its message.
long ord_of(Handle c, Loc loc = Loc::current()) {
    PyObject* o = c.get();
    if (PyUnicode_Check(o)) {
        if (PyUnicode_GET_LENGTH(o) == 1) return static_cast<long>(PyUnicode_READ_CHAR(o, 0));
        PyErr_Format(PyExc_ValueError,
                     "only single character unicode strings can be converted to Py_UCS4, got "
                     "length %zd",
                     PyUnicode_GET_LENGTH(o));
    } else if (PyBytes_Check(o)) {
        if (PyBytes_GET_SIZE(o) == 1) return static_cast<unsigned char>(PyBytes_AS_STRING(o)[0]);
        PyErr_Format(PyExc_TypeError, "ord() expected a character, but string of length %zd found",
                     PyBytes_GET_SIZE(o));
    } else if (PyByteArray_Check(o)) {
        if (PyByteArray_GET_SIZE(o) == 1)
            return static_cast<unsigned char>(PyByteArray_AS_STRING(o)[0]);
        PyErr_Format(PyExc_TypeError, "ord() expected a character, but string of length %zd found",
                     PyByteArray_GET_SIZE(o));
    } else {
        PyErr_Format(PyExc_TypeError, "ord() expected string of length 1, but %.200s found",
                     Py_TYPE(o)->tp_name);
    }
    fail(loc);
}

// ---- exact-argument helpers for the fast paths --------------------------------------------------
// The characters of an exact str that is pure ASCII (a str subclass may override its methods).
std::optional<std::pair<const unsigned char*, Py_ssize_t>> exact_ascii(Handle o) {
    PyObject* p = o.get();
    if (!PyUnicode_CheckExact(p) || !PyUnicode_IS_ASCII(p)) return std::nullopt;
    return std::pair{static_cast<const unsigned char*>(PyUnicode_DATA(p)), PyUnicode_GET_LENGTH(p)};
}

Object ascii_text(const char* s, std::size_t n) {
    Object t = Object::check(PyUnicode_New(static_cast<Py_ssize_t>(n), 127));
    std::memcpy(PyUnicode_DATA(t.get()), s, n);
    return t;
}

// Results for every column of one to three letters, made on first use and kept for the life of
// the process: texts and ints are immutable, so a kept object cannot be told from a new one.
constexpr long long cached_columns = 26 + 26 * 26 + 26 * 26 * 26;
KeptObjects<cached_columns + 1> letters_cache;
KeptObjects<cached_columns + 1> number_cache;

Object column_letters(unsigned long long n) {
    char letters[native::max_column_letters];
    return ascii_text(letters, native::column_letters(n, letters));
}

Object cached_letters(long long n) {
    if (n > cached_columns) return column_letters(static_cast<unsigned long long>(n));
    return Object::borrow(letters_cache.get(static_cast<std::size_t>(n), [n] {
        return column_letters(static_cast<unsigned long long>(n));
    }));
}

Object column_number(long long n) {
    if (n < 0 || n > cached_columns) return integer(n);
    return Object::borrow(number_cache.get(static_cast<std::size_t>(n), [n] { return integer(n); }));
}

// Column letters of an exact int that fits in 64 bits; the empty text for 0 and below.
std::optional<Object> fast_column_letters(Handle i) {
    auto v = exact_int64(i);
    if (!v) return std::nullopt;
    if (*v <= 0) return Object::borrow(k_empty.get());
    return cached_letters(*v);
}

// ---- the module's functions --------------------------------------------------------------------

// cvt_i_to_a(i): chr(i + 64), no range check.
Object cvt_i_to_a(Object i) {
    if (auto v = exact_int64(i); v && *v >= -64 && *v <= 0x10FFFF - 64)
        return Object::check(PyUnicode_FromOrdinal(static_cast<int>(*v + 64)));
    Object code = add(i, k_64);
    return call(chr_, {code});
}

// cvt_a_to_i(a): ord(a.upper()) - 64; any object with an `upper` method is accepted.
Object cvt_a_to_i(Object a) {
    if (auto s = exact_ascii(a); s && s->second == 1)
        return integer(native::column_value(s->first, 1));
    Object upper = call_method(a, name::upper);
    return integer(ord_of(upper) - 64);
}

// cvt_one_to_a(i): bijective base 26 from the least significant letter. An int is divided
// exactly (floor division), so the letters are right at any size; anything else keeps true
// division and its float quotient.
Object cvt_one_to_a(Object i) {
    if (auto letters = fast_column_letters(i)) return *letters;
    const bool exact = PyLong_Check(i.get());
    Object s = Object::borrow(k_empty.get());
    Object m;
    while (truthy(gt(i, k_zero))) {
        check_interrupts();
        m = mod(i, k_26);
        if (truthy(eq(m, k_zero))) m = Object::borrow(k_26.get());
        Object code = add(int_of(m), k_64);
        Object letter = call(chr_, {code});
        s = add(letter, s);
        Object rest = sub(i, m);
        i = exact ? floordiv(rest, k_26) : truediv(rest, k_26);
    }
    return s;
}

// cvt_a_to_one(s): every character of s.upper() counts its code minus 64, the rightmost least
// significant; nothing is stripped or checked.
Object cvt_a_to_one(Object s) {
    if (auto ascii = exact_ascii(s);
        ascii && static_cast<std::size_t>(ascii->second) <= native::max_exact_column_text)
        return column_number(
            native::column_value(ascii->first, static_cast<std::size_t>(ascii->second)));
    s = call_method(s, name::upper);
    Object ls = length(s);
    Object t = Object::borrow(k_zero.get());
    for (Object i : iterate(call(range_, {ls}))) {
        const bool units = truthy(eq(i, k_zero));
        Object index = sub(sub(ls, i), k_one);
        Object digit = integer(ord_of(getitem(s, index)));
        if (units) {
            t = sub(add(t, digit), k_64);
        } else {
            Object value = sub(digit, k_64);
            t = add(t, mul(value, power(k_26, i)));
        }
    }
    return t;
}

// The A1 fast path: an exact ASCII str with a short column and row, while cvt_a_to_one is ours.
// Upper-casing and stripping change nothing that the scan does not already skip.
std::optional<Object> fast_a1_to_r1c1(Handle a1) {
    auto ascii = exact_ascii(a1);
    if (!ascii || !global_is(name::cvt_a_to_one, original_cvt_a_to_one)) return std::nullopt;
    long long row, col;
    if (!native::split_a1(ascii->first, static_cast<std::size_t>(ascii->second), &row, &col))
        return std::nullopt;
    Object r = integer(row);
    Object c = integer(col);
    return tuple({r, c});
}

// cvt_a1_to_r1c1(a1): letters anywhere make the column, digits anywhere the row.
Object cvt_a1_to_r1c1(Object a1) {
    if (auto rc = fast_a1_to_r1c1(a1)) return *rc;
    a1 = call_method(call_method(a1, name::upper), name::strip);
    Object ls = length(a1);
    Object astr = Object::borrow(k_empty.get());
    Object dstr = Object::borrow(k_empty.get());
    for (Object i : iterate(call(range_, {ls}))) {
        if (truthy(call_method(getitem(a1, i), name::isalpha))) {
            astr = add(astr, getitem(a1, i));
        } else if (truthy(call_method(getitem(a1, i), name::isdigit))) {
            dstr = add(dstr, getitem(a1, i));
        }
    }
    Object row = int_of(dstr);
    Object col = call(global(name::cvt_a_to_one), {astr});
    return tuple({row, col});
}

// The R1C1 fast path: exact ints, while cvt_one_to_a is ours.
std::optional<Object> fast_r1c1_to_a1(Handle row, Handle col) {
    auto r = exact_int64(row);
    auto c = exact_int64(col);
    if (!r || !c || !global_is(name::cvt_one_to_a, original_cvt_one_to_a)) return std::nullopt;
    char out[native::max_column_letters + 20];
    std::size_t n = *c > 0 ? native::column_letters(static_cast<unsigned long long>(*c), out) : 0;
    n += native::decimal(*r, out + n);
    return ascii_text(out, n);
}

// cvt_r1c1_to_a1(row, col): cvt_one_to_a(col) + str(row).
Object cvt_r1c1_to_a1(Object row, Object col) {
    if (auto a1 = fast_r1c1_to_a1(row, col)) return *a1;
    Object letters = call(global(name::cvt_one_to_a), {col});
    return add(letters, str_of(row));
}

void body() {
    def<cvt_i_to_a>({.name = "cvt_i_to_a", .vars = {"i"}});
    def<cvt_a_to_i>({.name = "cvt_a_to_i", .vars = {"a"}});
    // The module keeps its own functions for the life of the process.
    original_cvt_one_to_a = def<cvt_one_to_a>({.name = "cvt_one_to_a", .vars = {"i", "s", "m"}}).release();
    original_cvt_a_to_one =
        def<cvt_a_to_one>({.name = "cvt_a_to_one", .vars = {"s", "ls", "t", "i"}}).release();
    def<cvt_a1_to_r1c1>({.name = "cvt_a1_to_r1c1", .vars = {"a1", "ls", "astr", "dstr", "i"}});
    def<cvt_r1c1_to_a1>({.name = "cvt_r1c1_to_a1", .vars = {"row", "col"}});
}

}  // namespace

TALLOWKIT_MODULE(cellnote, "tallowkit.cvt.cellnote", nullptr, body)
