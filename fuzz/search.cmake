# The search core: a text looked for in an arbitrary lesson, case-blind and exact.
velin_add_fuzzer(search SOURCES ${CMAKE_CURRENT_LIST_DIR}/search_fuzzer.cpp
    LIBS velin::search_core)
