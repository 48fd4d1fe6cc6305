// native.hpp: pure C++ kernels (no Python API), used by the modules' fast paths.
#pragma once
