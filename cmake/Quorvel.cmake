# Common settings and the helpers every subsystem's CMakeLists uses.
#
#   quorvel_library(name SOURCES ... [DEPS ...] [PCH])
#       one static library per subsystem; PCH adds the Windows platform header.
#   quorvel_test(name SOURCES ... [DEPS ...] [GUI] [TIMEOUT s] [SHARDS n])
#       one GoogleTest binary, one ctest entry (or n, each a GoogleTest shard, each with the time limit);
#       GUI tests share the display lock; ${name}_ENTRIES names the entries.
#   quorvel_platform_pch(target)
#       the Windows platform header, precompiled once for the whole configuration.

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(QUORVEL_WINDOWS ON)
  set(QUORVEL_HOST OFF)
  set(QUORVEL_CONFIG windows)
else()
  set(QUORVEL_WINDOWS OFF)
  set(QUORVEL_HOST ON)
  if(QUORVEL_FUZZ)
    set(QUORVEL_CONFIG fuzz)
  else()
    set(QUORVEL_CONFIG host)
  endif()
endif()

# Tests that drive the display take it one at a time, so their chain is the longest path of a test
# run: they start first (a higher cost than any other test), and the others fill the cores around them.
set(QUORVEL_DISPLAY_LOCK RESOURCE_LOCK display COST 1000)

set(QUORVEL_PLATFORM_HEADER ${CMAKE_SOURCE_DIR}/app/winutil/Platform.h)

add_compile_options(-Wall -Wextra)
include_directories(${CMAKE_SOURCE_DIR})

# Sources compile in batches, one translation unit each: the heavy headers and the inline code they
# bring are compiled once per batch. File-local names must therefore be unique within a target, and
# a file-local helper must not take the name and parameters of a shared one: it would silently hide
# it in the files after it in the batch.
if(NOT DEFINED CMAKE_UNITY_BUILD)
  set(CMAKE_UNITY_BUILD ON)
endif()
set(CMAKE_UNITY_BUILD_BATCH_SIZE 8)

if(QUORVEL_WINDOWS)
  add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)
  add_compile_options(-fnon-call-exceptions)
  # GCC 12's identical code folding merges an empty member function (the callee pops its argument)
  # with an empty plain function of the same body (it does not), and the caller's stack comes back
  # 4 bytes off: seen in an optimised test binary, and nothing keeps it out of the program.
  add_compile_options(-fno-ipa-icf)
elseif(QUORVEL_FUZZ)
  # The fuzz configuration (clang) instruments the core for libFuzzer; its targets live in */fuzz.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -g)
  add_link_options(-fsanitize=address,undefined)
elseif(QUORVEL_PROFILE)
  # An optimised host build without sanitizers, for profiling the benchmarks (perf, callgrind).
  add_compile_options(-O2 -g -fno-omit-frame-pointer)
else()
  # The host build proves the core is platform-free and runs its tests under sanitizers.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()

# The compile options agree across a configuration, so a small set of precompiled headers serves
# every target: the Windows platform header for libraries and programs, and for the tests the same
# with GoogleTest (or GoogleTest alone where the platform stays out). A header of each target's own
# took 170 MB and most of a minute to compile.
function(quorvel_shared_pch pch)
  add_library(${pch} OBJECT ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/PlatformPch.cpp)
  target_precompile_headers(${pch} PRIVATE ${ARGN})
endfunction()
if(QUORVEL_WINDOWS)
  quorvel_shared_pch(quorvel_platform_pch ${QUORVEL_PLATFORM_HEADER})
  quorvel_shared_pch(quorvel_test_platform_pch ${QUORVEL_PLATFORM_HEADER} <gtest/gtest.h>)
  target_link_libraries(quorvel_test_platform_pch PRIVATE gtest)
endif()
if(NOT QUORVEL_FUZZ)
  quorvel_shared_pch(quorvel_test_pch <gtest/gtest.h>)
  target_link_libraries(quorvel_test_pch PRIVATE gtest)
endif()

# Test code compiles for quick building, not for speed: the code under test keeps the configuration's
# optimisation in its libraries, and -Og halves the compile time of the optimised configuration's
# test batches. A test's precompiled header must be compiled with the same level.
set(QUORVEL_TEST_OPTIONS)
if(QUORVEL_WINDOWS)
  set(QUORVEL_TEST_OPTIONS -Og)
  target_compile_options(quorvel_test_platform_pch PRIVATE ${QUORVEL_TEST_OPTIONS})
endif()
if(NOT QUORVEL_FUZZ)
  target_compile_options(quorvel_test_pch PRIVATE ${QUORVEL_TEST_OPTIONS})
endif()

# A benchmark's own code: in the sanitizer configuration, where benchmarks are only kept compiling
# (their figures come from a QUORVEL_PROFILE build), it is compiled without instrumentation.
function(quorvel_benchmark name)
  if(QUORVEL_HOST AND NOT QUORVEL_FUZZ AND NOT QUORVEL_PROFILE)
    target_compile_options(${name} PRIVATE -fno-sanitize=all)
  endif()
endfunction()

function(quorvel_platform_pch name)
  if(QUORVEL_WINDOWS)
    target_precompile_headers(${name} REUSE_FROM quorvel_platform_pch)
  endif()
endfunction()

function(quorvel_library name)
  cmake_parse_arguments(Q "PCH" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${Q_SOURCES})
  target_link_libraries(${name} PUBLIC ${Q_DEPS})
  if(Q_PCH)
    quorvel_platform_pch(${name})
  endif()
  if(QUORVEL_FUZZ)
    # The fuzz configuration builds its fuzz targets and only the libraries they link.
    set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL ON)
  endif()
endfunction()

function(quorvel_test name)
  if(QUORVEL_FUZZ)
    return()  # the fuzz configuration builds only fuzz targets
  endif()
  cmake_parse_arguments(Q "GUI;PCH" "TIMEOUT;SHARDS" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${Q_SOURCES})
  target_link_libraries(${name} PRIVATE ${Q_DEPS} gtest gtest_main)
  target_compile_options(${name} PRIVATE ${QUORVEL_TEST_OPTIONS})
  if(Q_PCH AND QUORVEL_WINDOWS)
    target_precompile_headers(${name} REUSE_FROM quorvel_test_platform_pch)
  else()
    target_precompile_headers(${name} REUSE_FROM quorvel_test_pch)
  endif()
  # In a batch a test file is no longer the main file, and GCC then warns of every test whose
  # fixture lives in the file's anonymous namespace.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${name} PRIVATE -Wno-subobject-linkage)
  endif()
  if(NOT Q_TIMEOUT)
    set(Q_TIMEOUT 300)
  endif()
  # A long binary runs as SHARDS entries (GoogleTest's sharding), which ctest runs side by side.
  set(entries ${QUORVEL_CONFIG}.${name})
  if(Q_SHARDS)
    set(entries)
    math(EXPR last "${Q_SHARDS} - 1")
    foreach(i RANGE ${last})
      set(entry ${QUORVEL_CONFIG}.${name}.${i})
      add_test(NAME ${entry} COMMAND ${name})
      set_tests_properties(${entry} PROPERTIES ENVIRONMENT "GTEST_TOTAL_SHARDS=${Q_SHARDS};GTEST_SHARD_INDEX=${i}")
      list(APPEND entries ${entry})
    endforeach()
  else()
    add_test(NAME ${QUORVEL_CONFIG}.${name} COMMAND ${name})
  endif()
  foreach(entry IN LISTS entries)
    set_tests_properties(${entry} PROPERTIES TIMEOUT ${Q_TIMEOUT})
    if(Q_GUI)
      set_tests_properties(${entry} PROPERTIES ${QUORVEL_DISPLAY_LOCK})
    endif()
  endforeach()
  set(${name}_ENTRIES ${entries} PARENT_SCOPE)
endfunction()

# Puts the named sources of a test binary (relative to the current directory) into one unity batch,
# for binaries whose files bring different helper namespaces into file scope with `using namespace`
# and so cannot share a batch with files of another family. Sources in no group compile one by one.
function(quorvel_unity_group name group)
  if(NOT TARGET ${name})
    return()
  endif()
  set_target_properties(${name} PROPERTIES UNITY_BUILD_MODE GROUP)
  list(TRANSFORM ARGN PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  set_source_files_properties(${ARGN} PROPERTIES UNITY_GROUP ${group})
endfunction()

# Compiles the program's resource script (dialog templates, strings, pictures) into a test binary
# whose tests open the program's own dialogs.
function(quorvel_test_resources name)
  set(rc ${CMAKE_SOURCE_DIR}/resources/QuorvelUML.rc)
  target_sources(${name} PRIVATE ${rc})
  target_include_directories(${name} PRIVATE $<$<COMPILE_LANGUAGE:RC>:${CMAKE_BINARY_DIR}/resources/images>)
  add_dependencies(${name} quorvel_resource_images)
  file(GLOB rc_headers ${CMAKE_SOURCE_DIR}/resources/*.h ${CMAKE_SOURCE_DIR}/resources/*.rc2)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${rc_headers}")
endfunction()
