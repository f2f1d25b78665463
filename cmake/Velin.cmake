# Helpers shared by the folders' CMakeLists.txt.
include(GoogleTest)

# velin_add_test(NAME LABEL label... SOURCES a.cpp ... LIBS lib ...)
# One GoogleTest executable whose cases are registered with CTest under the labels,
# so that `ctest -L book` runs one folder's tests alone.
function(velin_add_test name)
    cmake_parse_arguments(ARG "" "" "LABEL;SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    target_compile_definitions(${name} PRIVATE
        VELIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}" VELIN_BINARY_DIR="${PROJECT_BINARY_DIR}")
    # A test that hangs fails after two minutes instead of holding CI up.
    gtest_discover_tests(${name}
        PROPERTIES LABELS "${ARG_LABEL}" TIMEOUT 120
        DISCOVERY_TIMEOUT 60)
endfunction()

# velin_add_fuzzer(NAME SOURCES a.cpp ... LIBS lib ...)
function(velin_add_fuzzer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_property(GLOBAL APPEND PROPERTY VELIN_FUZZERS ${name})
endfunction()

# velin_add_bench(NAME SOURCES a.cpp ... LIBS lib ...)
function(velin_add_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
    target_compile_definitions(${name} PRIVATE VELIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    set_property(GLOBAL APPEND PROPERTY VELIN_BENCHES ${name})
endfunction()
