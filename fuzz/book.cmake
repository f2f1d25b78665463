# The book store: the decompressor (with the compressor's round trip) and the whole lookup.
velin_add_fuzzer(uncompress SOURCES ${CMAKE_CURRENT_LIST_DIR}/uncompress_fuzzer.cpp LIBS velin::book)
velin_add_fuzzer(load_lesson SOURCES ${CMAKE_CURRENT_LIST_DIR}/load_lesson_fuzzer.cpp LIBS velin::book)
