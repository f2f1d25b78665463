# The script parser: arbitrary bytes as a script, a line at a time. It takes the parser's
# source and the text conversions alone, so the fuzz build needs none of the desktop's libraries.
velin_add_fuzzer(platform_script SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/platform_script_fuzzer.cpp
    ${PROJECT_SOURCE_DIR}/platform/script_parse.cpp
    ${PROJECT_SOURCE_DIR}/platform/shell.cpp)
target_include_directories(platform_script PRIVATE ${PROJECT_SOURCE_DIR})
