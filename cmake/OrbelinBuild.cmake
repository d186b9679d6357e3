# Shared compile settings and small helpers for the project's targets.

# The warnings every target of the project builds with, in one place: each
# target links orb_warnings (the helpers below do it). Warnings are errors
# where the project checks itself (scripts/test.sh turns ORB_WERROR on); an
# operator's own build with a newer compiler should not stop at a warning
# that compiler has added since.
option(ORB_WERROR "Treat compiler warnings as errors" OFF)
add_library(orb_warnings INTERFACE)
if(MSVC)
    target_compile_options(orb_warnings INTERFACE /W4 $<$<BOOL:${ORB_WERROR}>:/WX>)
else()
    target_compile_options(orb_warnings INTERFACE -Wall -Wextra -Wshadow
        $<$<BOOL:${ORB_WERROR}>:-Werror>)
endif()

# Qt's headers, and GoogleTest's in a test, are most of what compiling a Qt
# source reads: a tree parses them once into a precompiled header that each
# of its Qt targets reuses (orb_use_pch). ccache caches such compiles only
# when told to trust the header's own checks.
option(ORB_PCH "Precompile Qt's and GoogleTest's headers once per build tree" ON)
if(ORB_PCH AND CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache$")
    set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env
        CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
        ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()

if(WIN32)
    set(ORB_PLATFORM win32)
else()
    set(ORB_PLATFORM posix)
endif()

# GoogleTest built from its sources as part of the project, for builds that
# find none installed for their target system: a cross build takes Debian's
# (googletest package) by default, a Windows developer may point this at a
# checkout. find_package(GTest) then picks up these targets.
if(CMAKE_CROSSCOMPILING)
    set(orb_googletest_default /usr/src/googletest)
else()
    set(orb_googletest_default "")
endif()
set(ORB_GOOGLETEST_SOURCE "${orb_googletest_default}" CACHE PATH
    "GoogleTest sources to build with the project (empty: use an installed GoogleTest)")
if(ORB_BUILD_TESTS AND ORB_GOOGLETEST_SOURCE)
    if(NOT EXISTS ${ORB_GOOGLETEST_SOURCE}/CMakeLists.txt)
        message(FATAL_ERROR "No GoogleTest sources in ${ORB_GOOGLETEST_SOURCE} (Debian: googletest)")
    endif()
    include(FetchContent)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    # The same C runtime as the project's own code (MSVC).
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    # SYSTEM: its headers are not held to the project's warnings.
    FetchContent_Declare(GTest SOURCE_DIR ${ORB_GOOGLETEST_SOURCE} OVERRIDE_FIND_PACKAGE SYSTEM)
    FetchContent_MakeAvailable(GTest)
endif()

if(ORB_SANITIZE)
    add_compile_options(-fsanitize=${ORB_SANITIZE} -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=${ORB_SANITIZE})
    if(ORB_SANITIZE MATCHES "undefined")
        add_compile_options(-fno-sanitize-recover=undefined)
    endif()
endif()

# A fuzz build instruments every target for the fuzzer's coverage and runs
# it under ASan and UBSan, so that the fuzz targets (tests/fuzz) link the
# project's libraries as they are; only those targets add libFuzzer's main.
if(ORB_BUILD_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
        -fno-sanitize-recover=undefined -g)
    add_link_options(-fsanitize=address,undefined)
endif()

set(ORB_SOURCE_ROOT ${PROJECT_SOURCE_DIR}/src)

# orb_use_pch(<target> qt|qttest): the tree's precompiled header for a Qt
# library or a Qt test, made by a target of its own with the same flags.
function(orb_use_pch target kind)
    if(NOT ORB_PCH)
        return()
    endif()
    set(maker orb_pch_${kind})
    if(NOT TARGET ${maker})
        set(headers <algorithm> <atomic> <chrono> <functional> <map> <memory> <mutex>
            <optional> <string> <string_view> <vector>
            <QApplication> <QClipboard> <QDir> <QEventLoop> <QFileInfo> <QFontMetrics>
            <QFrame> <QGridLayout> <QHBoxLayout> <QIcon> <QLabel> <QLineEdit> <QMessageBox>
            <QPainter> <QPointer> <QPushButton> <QScreen> <QScrollBar> <QString>
            <QStringList> <QStyle> <QTimer> <QVBoxLayout> <QWidget>)
        file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/${maker}.cpp CONTENT "")
        add_library(${maker} STATIC ${CMAKE_BINARY_DIR}/${maker}.cpp)
        target_link_libraries(${maker} PRIVATE orb_warnings Qt6::Widgets)
        if(kind STREQUAL "qttest")
            target_link_libraries(${maker} PRIVATE GTest::gtest GTest::gmock)
            list(APPEND headers <gtest/gtest.h> <gmock/gmock.h>)
        endif()
        target_precompile_headers(${maker} PRIVATE ${headers})
        # Without its timestamp a clang header is the same file for ccache.
        if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
            target_compile_options(${maker} PRIVATE "SHELL:-Xclang -fno-pch-timestamp")
        endif()
    endif()
    target_precompile_headers(${target} REUSE_FROM ${maker})
endfunction()

# orb_library(<name> SOURCES ... [DEPS ...] [QT])
function(orb_library name)
    cmake_parse_arguments(ARG "QT" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE orb_warnings)
    # The program's headers are named from src ("link/xModem.h"); a test
    # support library's from its own folder.
    cmake_path(IS_PREFIX ORB_SOURCE_ROOT "${CMAKE_CURRENT_SOURCE_DIR}" in_src)
    if(in_src)
        target_include_directories(${name} PUBLIC ${ORB_SOURCE_ROOT})
    else()
        target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    endif()
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    if(ARG_QT)
        target_link_libraries(${name} PUBLIC Qt6::Widgets)
        set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON)
        orb_use_pch(${name} qt)
    endif()
endfunction()

# orb_test(<name> SOURCES ... [DEPS ...] [QT] [LABELS ...] [TIMEOUT s] [SIMULATORS n]
#          [SHARDS n])
# One GoogleTest executable registered as one CTest test. SIMULATORS: how
# many simulated units the test uses at once (SimulatedUnit.h); a Windows
# build's test gets them started beside it by its launcher. SHARDS: a program
# whose cases wait long on the protocol runs as n CTest tests
# (<name>_1of<n>, ...), each with its share of the cases (GoogleTest's
# sharding), side by side.
function(orb_test name)
    cmake_parse_arguments(ARG "QT" "TIMEOUT;SIMULATORS;SHARDS" "SOURCES;DEPS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    # Every test has the shared helpers of tests/support.
    target_link_libraries(${name} PRIVATE orb_warnings ${ARG_DEPS} orb_testsupport
        GTest::gtest GTest::gmock)
    if(ARG_QT)
        target_link_libraries(${name} PRIVATE Qt6::Widgets orb_testqtmain)
        set_target_properties(${name} PROPERTIES AUTOMOC ON)
        orb_use_pch(${name} qttest)
        if(COMMAND orb_deploy_translations)
            orb_deploy_translations(${name})
        endif()
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set(command ${name})
    if(CMAKE_CROSSCOMPILING AND ORB_TEST_LAUNCHER)
        set(command ${ORB_TEST_LAUNCHER} $<TARGET_FILE:${name}>)
        list(APPEND ARG_LABELS cross)
    endif()
    set(environment)
    if(ARG_QT)
        list(APPEND environment QT_QPA_PLATFORM=offscreen)
    endif()
    if(ARG_SIMULATORS AND CMAKE_CROSSCOMPILING AND ORB_TEST_LAUNCHER)
        list(APPEND environment ORB_WINE_SIM=${ARG_SIMULATORS})
        if(ORB_BUILD_HOST_SIM)
            add_dependencies(${name} orb_host_sim)
        endif()
    endif()
    if(NOT ARG_SHARDS OR ARG_SHARDS LESS 2)
        add_test(NAME ${name} COMMAND ${command})
        set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}"
            ENVIRONMENT "${environment}")
        return()
    endif()
    foreach(shard RANGE 1 ${ARG_SHARDS})
        math(EXPR index "${shard} - 1")
        set(test ${name}_${shard}of${ARG_SHARDS})
        set(shard_environment ${environment} GTEST_TOTAL_SHARDS=${ARG_SHARDS}
            GTEST_SHARD_INDEX=${index})
        add_test(NAME ${test} COMMAND ${command})
        set_tests_properties(${test} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}"
            ENVIRONMENT "${shard_environment}")
    endforeach()
endfunction()

# Where a program of the build is for a test that starts it: under wine the
# build machine's root is drive Z:.
function(orb_program_path_for_tests variable target)
    if(CMAKE_CROSSCOMPILING AND WIN32 AND CMAKE_HOST_UNIX)
        set(${variable} "Z:$<TARGET_FILE:${target}>" PARENT_SCOPE)
    else()
        set(${variable} "$<TARGET_FILE:${target}>" PARENT_SCOPE)
    endif()
endfunction()
