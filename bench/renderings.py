"""The benchmarks' plain-Python renderings of tallowkit.base.platform and tallowkit.cvt.cellnote,
written as a Python programmer would write these modules (the builtin ord, floor division for
ints); tallowkit.math.prime's rendering is tests/oracles/prime_oracle.py."""
import platform

Windows = "Windows"
Linux = "Linux"
Mac = "Darwin"


def get_os_type():
    return platform.system()


def is_windows():
    return platform.system() == Windows


def is_linux():
    return platform.system() == Linux


def is_mac():
    return platform.system() == Mac


def single(x):
    return x


def cvt_i_to_a(i):
    return chr(i + 64)


def cvt_a_to_i(a):
    return ord(a.upper()) - 64


def cvt_one_to_a(i):
    s = ''
    while i > 0:
        m = i % 26
        if m == 0:
            m = 26
        s = chr(int(m) + 64) + s
        i = (i - m) // 26
    return s


def cvt_a_to_one(s):
    s = s.upper()
    ls = len(s)
    t = 0
    for i in range(ls):
        if i == 0:
            t = t + ord(s[ls - i - 1]) - 64
        else:
            t = t + (ord(s[ls - i - 1]) - 64) * 26 ** i
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
