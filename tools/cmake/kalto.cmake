# Build helpers shared by every folder.

# The third-party libraries: Debian's own packages natively, the builds of
# tools/build-deps.sh for Windows.
function(kalto_link_third_party target)
  if(WIN32)
    if(NOT EXISTS "${KALTO_DEPS_DIR}/lib/libtinyxml.a")
      message(FATAL_ERROR "Third-party libraries missing in ${KALTO_DEPS_DIR}; run tools/setup.sh")
    endif()
    target_include_directories(${target} SYSTEM PUBLIC "${KALTO_DEPS_DIR}/include")
    target_link_libraries(${target} PUBLIC
      "${KALTO_DEPS_DIR}/lib/libtinyxml.a" "${KALTO_DEPS_DIR}/lib/libcjson.a"
      "${KALTO_DEPS_DIR}/lib/libminizip.a" z)
  else()
    target_include_directories(${target} SYSTEM PUBLIC /usr/include/cjson)
    target_link_libraries(${target} PUBLIC tinyxml cjson)
  endif()
endfunction()

set(KALTO_WINE_RUN "${PROJECT_SOURCE_DIR}/tools/wine-run.sh")
set(KALTO_TEST_ENV "${PROJECT_SOURCE_DIR}/tools/test-env.sh")

# Windows tests of one tree run two at a time (ctest -j 2), much of their
# time being spent waiting on Wine programs, but never two in one Wine prefix:
# a prefix's programs share its single-instance names, its registry (screen
# DPI) and its display. Each test takes the lock of the prefix it runs in:
# "wineprefix" for the tree's own, the folder's name for one of a private
# network namespace (tests/fixtures/netns_wine.sh).

# The tests in a build tree's own prefix hold its lock and so run one after
# another, about 450 s under load. ctest starts the costliest test first, so
# this chain ranks above every run in a namespace's prefix but the longest:
# left to the end it would run one test at a time beside an idle slot.
set(KALTO_OWN_PREFIX_COST 500)

# Registers a test command. Windows executables run through Wine in the build
# tree's private prefix, on the build tree's Xvfb display.
function(kalto_register_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "COMMAND;ENV;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  if(WIN32)
    # 77: a 32-bit program on a machine that runs no 32-bit processes.
    add_test(NAME ${name} COMMAND ${KALTO_WINE_RUN} ${CMAKE_BINARY_DIR} ${T_COMMAND})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_env SKIP_RETURN_CODE 77 RESOURCE_LOCK wineprefix
                                            COST ${KALTO_OWN_PREFIX_COST})
  else()
    add_test(NAME ${name} COMMAND ${T_COMMAND})
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_ENV)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${T_ENV}")
  endif()
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# Test code of the Windows targets compiles without debug information (the
# library under test keeps its own), and the headers every test file parses
# (GoogleTest and, for the Windows tests, windows.h) are compiled once per
# kind of test, <unit> or <win>, and reused: with mingw, both cut a test
# file's compile time by about half.
function(kalto_test_headers kind)
  set(donor kalto_${kind}_test_headers)
  set(anchor ${CMAKE_BINARY_DIR}/${donor}.cpp)
  file(CONFIGURE OUTPUT ${anchor} CONTENT "// Compiles the shared test headers once.\n")
  add_library(${donor} OBJECT ${anchor})
  set(headers <gtest/gtest.h> <memory> <string> <vector>)
  if(kind STREQUAL "win")
    target_link_libraries(${donor} PRIVATE kalto_win GTest::gtest)
    list(PREPEND headers <windows.h>)
  else()
    target_link_libraries(${donor} PRIVATE kalto_pure GTest::gtest)
  endif()
  target_compile_options(${donor} PRIVATE -g0)
  target_precompile_headers(${donor} PRIVATE ${headers})
endfunction()

function(kalto_compile_as_test target kind)
  if(NOT WIN32)
    return()
  endif()
  if(NOT TARGET kalto_${kind}_test_headers)
    kalto_test_headers(${kind})
  endif()
  target_compile_options(${target} PRIVATE -g0)
  target_precompile_headers(${target} REUSE_FROM kalto_${kind}_test_headers)
endfunction()

# A GoogleTest executable of pure-logic tests: built and run on every target.
function(kalto_unit_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE kalto_pure GTest::gtest GTest::gtest_main)
  kalto_compile_as_test(${name} unit)
  kalto_register_test(${name} COMMAND $<TARGET_FILE:${name}> LABELS unit)
endfunction()

# A GoogleTest executable that needs Windows: built for the Windows targets only.
function(kalto_win_test name)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(W "" "TIMEOUT" "SOURCES;ENV" ${ARGN})
  add_executable(${name} ${W_SOURCES})
  target_link_libraries(${name} PRIVATE kalto_win GTest::gtest)
  kalto_compile_as_test(${name} win)
  kalto_register_test(${name} COMMAND $<TARGET_FILE:${name}> TIMEOUT ${W_TIMEOUT} ENV ${W_ENV} LABELS win)
endfunction()

# Packs files into a zip archive, flat (each file under its own name).
# kalto_zip(<target> <output.zip> <files...>)
function(kalto_zip target output)
  get_filename_component(name ${output} NAME_WE)
  set(stage ${CMAKE_CURRENT_BINARY_DIR}/${name}_zip_stage)
  set(names)
  foreach(file ${ARGN})
    get_filename_component(base ${file} NAME)
    list(APPEND names ${base})
  endforeach()
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
    COMMAND ${CMAKE_COMMAND} -E copy ${ARGN} ${stage}
    COMMAND ${CMAKE_COMMAND} -E chdir ${stage} ${CMAKE_COMMAND} -E tar cf ${output} --format=zip -- ${names}
    DEPENDS ${ARGN} VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()

# A test script (Python) that drives Windows programs of this build tree
# itself; it gets the build directory as its first argument. NETNS <folder>:
# it runs them in a private network namespace whose prefix lives in
# <build>/<folder> (tests/fixtures/netns_wine.sh); "netns" is the one the
# network tests share, and a second folder lets a long script run beside them.
function(kalto_register_test_script name script)
  cmake_parse_arguments(S "" "TIMEOUT;NETNS" "" ${ARGN})
  if(NOT S_TIMEOUT)
    set(S_TIMEOUT 600)
  endif()
  add_test(NAME ${name} COMMAND python3 ${script} ${CMAKE_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${S_TIMEOUT} LABELS e2e)
  if(WIN32)
    set(lock wineprefix)
    if(S_NETNS)
      set(lock ${S_NETNS})
      set_tests_properties(${name} PROPERTIES ENVIRONMENT KALTO_NETNS_FOLDER=${S_NETNS})
    else()
      set_tests_properties(${name} PROPERTIES COST ${KALTO_OWN_PREFIX_COST})
    endif()
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_env SKIP_RETURN_CODE 77 RESOURCE_LOCK ${lock})
  endif()
endfunction()
