# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 toolchain.
# The -posix compiler: the default win32 thread model has no std::thread
# or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORB_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORB_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORB_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ORB_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORB_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs carry their own C and C++ runtimes, so they run on a Windows
# machine (or under wine) without the toolchain's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
