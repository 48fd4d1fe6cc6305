# Cross-compiling for 64-bit ARM Linux with Debian's aarch64-linux-gnu compilers, against a Debian
# arm64 root directory given as TALLOWKIT_SYSROOT (its headers, libraries and python3-dev).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_SYSROOT ${TALLOWKIT_SYSROOT})
set(CMAKE_FIND_ROOT_PATH ${TALLOWKIT_SYSROOT})
# try_compile projects see the sysroot too
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TALLOWKIT_SYSROOT)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
