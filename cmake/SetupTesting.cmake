# GoogleTest: the installed package for native builds, Debian's sources for cross builds.
macro(setup_find_gtest)
    if(CMAKE_CROSSCOMPILING)
        set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
        # googletest's own CMake already defines the GTest:: aliases.
    else()
        find_package(GTest REQUIRED)
    endif()
endmacro()

# Where test binaries leave their JUnit XML results for the summary of scripts/test-all.
set(SETUP_TEST_RESULTS ${CMAKE_BINARY_DIR}/test-results)
file(MAKE_DIRECTORY ${SETUP_TEST_RESULTS})

# Windows tests run under Wine in one prefix, and scripts/wine-run ends every Wine process of
# the prefix after each run: two such tests at once end each other. Each of them takes this
# lock, so `ctest -j` runs them one after another (and the other tests beside them).
set(SETUP_WINE_PREFIX_LOCK wineprefix)

# setup_lock_wine_prefix(test...): the tests (of the current folder) run under Wine.
function(setup_lock_wine_prefix)
    if(CMAKE_CROSSCOMPILING)
        set_property(TEST ${ARGN} APPEND PROPERTY RESOURCE_LOCK ${SETUP_WINE_PREFIX_LOCK})
    endif()
endfunction()

# setup_add_gtest(name SOURCES a.cpp b.cpp LIBS lib1 lib2 [TIMEOUT s] [WORKING_DIRECTORY d])
# Builds one GoogleTest binary and registers it with CTest. Under cross compilation CTest
# runs it through the emulator (Wine), so the XML path is given as a Windows path on Z:.
function(setup_add_gtest name)
    cmake_parse_arguments(arg "" "TIMEOUT;WORKING_DIRECTORY" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE ${arg_LIBS} GTest::gtest_main GTest::gtest setup_options)
    set(xml ${SETUP_TEST_RESULTS}/${name}.xml)
    if(CMAKE_CROSSCOMPILING)
        set(xml "Z:${xml}")
    endif()
    if(NOT arg_WORKING_DIRECTORY)
        set(arg_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    endif()
    add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:${xml}
             WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
    if(NOT arg_TIMEOUT)
        set(arg_TIMEOUT 600)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${arg_TIMEOUT})
    setup_lock_wine_prefix(${name})
endfunction()

# setup_add_structure_tests(): the structure of the sources, checked in every build tree (once):
# every include between source folders runs down the layers (scripts/include-graph), and the
# check refuses each kind of crossing in a tree made for it; the Wine-lock check finds a test
# without the lock in a listing made for it. Plain Python, so a Linux build sees a broken layer
# edge as early as a Windows one.
function(setup_add_structure_tests)
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    set(include_graph ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/include-graph)
    add_test(NAME include_graph COMMAND ${include_graph} --root ${PROJECT_SOURCE_DIR})
    add_test(NAME include_graph_refuses_crossings
             COMMAND ${include_graph} --root ${PROJECT_SOURCE_DIR}/tests/data/include-graph/crossed
                     --expect-rejection "upward edge: errors -> support"
                     --expect-rejection "edge between peers: archive -> profile"
                     --expect-rejection "framework may not include profile"
                     --expect-rejection "mfarc may not include engine"
                     --expect-rejection "relative include leaves its folder: engine/Engine.cpp:1"
                     --expect-rejection "folder without a layer: widgets")
    add_test(NAME wine_lock_check_finds_an_unlocked_test
             COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/check-wine-locks
                     --lock ${SETUP_WINE_PREFIX_LOCK}
                     --json ${PROJECT_SOURCE_DIR}/tests/data/ctest/unlocked-wine-test.json)
    set_tests_properties(wine_lock_check_finds_an_unlocked_test PROPERTIES PASS_REGULAR_EXPRESSION
        "unlocked: runs under Wine without the lock 'wineprefix'\n1 of 2 Wine tests take the lock")
endfunction()
