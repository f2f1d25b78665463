# The search through the whole book: a walk that finds nothing (every lesson looked up,
# decompressed and searched), beside decompressing every lesson once, in the same run.
velin_add_bench(search_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/search_bench.cpp
    LIBS velin::search_core velin::book)
target_compile_definitions(search_bench PRIVATE VELIN_BUILTIN_BOOK_PATH="${VELIN_BUILTIN_BOOK}")
if(TARGET velin_builtin_book_file)
    add_dependencies(search_bench velin_builtin_book_file)
endif()
