# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 toolchain.
# The -posix compiler: the default win32 thread model has no std::thread
# or std::mutex.
#
# Qt for Windows is not a Debian package: ORB_QT_MINGW names a Qt built for
# this toolchain (Qt's own cmake folder is found under it). Its host tools
# (moc, rcc, uic) are the build machine's own Qt of the same version,
# QT_HOST_PATH (Debian's qt6-base-dev-tools under /usr).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORB_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORB_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORB_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ORB_MINGW_PREFIX}-windres)

set(ORB_QT_MINGW "$ENV{ORB_QT_MINGW}" CACHE PATH "Qt 6 built for MinGW-w64 (its install prefix)")
if(NOT QT_HOST_PATH)
    set(QT_HOST_PATH /usr CACHE PATH "The build machine's Qt, for moc, rcc and uic")
endif()
# try_compile projects see the toolchain again, but not the cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORB_QT_MINGW QT_HOST_PATH)

set(CMAKE_FIND_ROOT_PATH /usr/${ORB_MINGW_PREFIX})
if(ORB_QT_MINGW)
    list(PREPEND CMAKE_FIND_ROOT_PATH ${ORB_QT_MINGW})
    list(PREPEND CMAKE_PREFIX_PATH ${ORB_QT_MINGW}/lib/cmake)
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One C++ runtime for the whole deployment: Qt's DLLs use the toolchain's
# shared libstdc++, libgcc and winpthread, so the programs do too, and the
# three DLLs go beside them (cmake/WindowsDeploy.cmake).
