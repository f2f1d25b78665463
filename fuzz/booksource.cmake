# The book source parser: arbitrary bytes as one source file.
velin_add_fuzzer(booksource SOURCES ${CMAKE_CURRENT_LIST_DIR}/booksource_fuzzer.cpp
    LIBS velin::booksource velin::textcore)
