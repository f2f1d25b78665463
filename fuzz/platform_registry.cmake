# The settings file's parser: parse, write, parse again and compare. It takes the registry's two
# sources alone, so the fuzz build needs none of the desktop's libraries.
velin_add_fuzzer(registry SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/registry_fuzzer.cpp
    ${PROJECT_SOURCE_DIR}/platform/registry.cpp
    ${PROJECT_SOURCE_DIR}/platform/shell.cpp)
target_include_directories(registry PRIVATE ${PROJECT_SOURCE_DIR})
