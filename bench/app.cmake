# The reader: a whole day change beside decompression alone (240 x 320 and 480 x 640, real
# face, the built-in book's largest lesson); start-up to the first painted frame beside
# `velin --version`; peak memory after paging through a lesson.
velin_add_bench(app_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/app_bench.cpp LIBS velin::app)
target_compile_definitions(app_bench PRIVATE
    VELIN_READER_PATH="$<TARGET_FILE:velin>"
    VELIN_BUILTIN_BOOK_PATH="${VELIN_BUILTIN_BOOK}")
add_dependencies(app_bench velin)
if(TARGET velin_builtin_book_file)
    add_dependencies(app_bench velin_builtin_book_file)
endif()
