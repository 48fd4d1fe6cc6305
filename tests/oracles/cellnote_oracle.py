"""Column letters and A1 references in plain Python: the reference the compiled module is
checked against (and the pure-Python side of the benchmark)."""


def _ord(c):
    # ord() as the module does it: its own messages for each refusal.
    if isinstance(c, str):
        if len(c) == 1:
            return ord(c)
        raise ValueError("only single character unicode strings can be converted to "
                         "Py_UCS4, got length %d" % len(c))
    if isinstance(c, (bytes, bytearray)):
        if len(c) == 1:
            return c[0]
        raise TypeError("ord() expected a character, but string of length %d found" % len(c))
    raise TypeError("ord() expected string of length 1, but %.200s found" % type(c).__name__)


def cvt_i_to_a(i):
    return chr(i + 64)


def cvt_a_to_i(a):
    return _ord(a.upper()) - 64


def cvt_one_to_a(i):
    # An int is divided exactly; anything else with true division (a float quotient).
    exact = isinstance(i, int)
    s = ''
    while i > 0:
        m = i % 26
        if m == 0:
            m = 26
        s = chr(int(m) + 64) + s
        i = (i - m) // 26 if exact else (i - m) / 26
    return s


def cvt_a_to_one(s):
    s = s.upper()
    ls = len(s)
    t = 0
    for i in range(ls):
        if i == 0:
            t = t + _ord(s[ls - i - 1]) - 64
        else:
            t = t + (_ord(s[ls - i - 1]) - 64) * 26 ** i
    return t


def cvt_a1_to_r1c1(a1):
    a1 = a1.upper().strip()
    ls = len(a1)
    astr = ''
    dstr = ''
    for i in range(ls):
        if a1[i].isalpha():
            astr = astr + a1[i]
        elif a1[i].isdigit():
            dstr = dstr + a1[i]
    return (int(dstr), cvt_a_to_one(astr))


def cvt_r1c1_to_a1(row, col):
    return cvt_one_to_a(col) + str(row)
