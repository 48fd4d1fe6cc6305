// native.cpp: placeholder translation unit so the kernel library always has one source.
#include "native.hpp"
