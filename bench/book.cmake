# The book store: decompression beside memcpy, the compressor's two parses.
velin_add_bench(book_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/book_bench.cpp LIBS velin::book)
target_compile_definitions(book_bench PRIVATE VELIN_BINARY_DIR="${PROJECT_BINARY_DIR}")
