// tallowkit._selftest.frameversion: built as if for another interpreter version, so that the
// load-time version check has something to say. Its body needs a hook module that the tests
// provide, so that a failed load and a later retry can be shown too.
#include "tallowkit.hpp"

using namespace tk;

namespace {

namespace name {
const Name hook{"tallowkit_selftest_hook"};
const Name ready{"ready"};
}  // namespace name

Object answer() { return global(name::ready); }

void body() {
    def<answer>({.name = "answer", .vars = {}});
    set_global(name::ready, import_from(name::hook, name::ready));
}

}  // namespace

TALLOWKIT_MODULE(frameversion, "tallowkit._selftest.frameversion", nullptr, body)
