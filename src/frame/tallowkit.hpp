// tallowkit.hpp: everything a module source needs from the frame.
#pragma once

#include "classes.hpp"
#include "function.hpp"
#include "module.hpp"
#include "names.hpp"
#include "ops.hpp"
#include "threads.hpp"
#include "replace.hpp"
