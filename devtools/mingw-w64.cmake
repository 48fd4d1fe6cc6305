# Cross-compiling for Windows with Debian's mingw-w64 compilers; TALLOWKIT_MINGW_ARCH is x86_64
# or i686. Programs are looked up in the mingw tree only, so that no python-config of this
# machine lends the build its Linux libraries (give CMAKE_MAKE_PROGRAM).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TALLOWKIT_MINGW_ARCH})
find_program(CMAKE_CXX_COMPILER ${TALLOWKIT_MINGW_ARCH}-w64-mingw32-g++-win32 REQUIRED)
find_program(CMAKE_RC_COMPILER ${TALLOWKIT_MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TALLOWKIT_MINGW_ARCH}-w64-mingw32)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TALLOWKIT_MINGW_ARCH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# the interpreter's headers leave MS_WIN64 to the compiler (MSVC's _M_X64); the modules carry
# their C++ runtime, which a Windows CPython does not ship
if(TALLOWKIT_MINGW_ARCH STREQUAL "x86_64")
  set(CMAKE_CXX_FLAGS_INIT "-DMS_WIN64")
endif()
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
