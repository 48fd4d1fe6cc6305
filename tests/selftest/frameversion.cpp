// tallowkit._selftest.frameversion: built as if for another interpreter version, so that the
// load-time version check has something to say. Its body needs a hook module that the tests
// provide, so that a failed load and a later retry can be shown too.
#include "tallowkit.hpp"

#include <new>

using namespace tk;

namespace {

namespace name {
const Name hook{"tallowkit_selftest_hook"};
const Name ready{"ready"};
}  // namespace name

Object answer() { return global(name::ready); }

// The hook's `ready` may also ask the body for a class with the two bases of a tuple, or to
// fail in one of the ways that only C++ code can.
void body() {
    def<answer>({.name = "answer", .vars = {}});
    Object ready = import_from(name::hook, name::ready);
    set_global(name::ready, ready);
    if (PyTuple_Check(ready.get()) && PyTuple_GET_SIZE(ready.get()) == 2) {
        ClassDef hooked("Hooked", {PyTuple_GET_ITEM(ready.get(), 0), PyTuple_GET_ITEM(ready.get(), 1)});
        hooked.create();
    }
    auto is = [&](const char* what) {
        return PyUnicode_Check(ready.get()) && PyUnicode_CompareWithASCIIString(ready.get(), what) == 0;
    };
    if (is("silent")) fail();
    if (is("memory")) throw std::bad_alloc();
    if (is("other")) throw 42;
}

}  // namespace

TALLOWKIT_MODULE(frameversion, "tallowkit._selftest.frameversion", nullptr, body)
