# The outline: the bookmark branch and the joining on arbitrary contents (no platform), and the
# outline view's build, reveal, taps, scrolling and size change on arbitrary outline data (on
# the headless screen).
velin_add_fuzzer(outline_data SOURCES ${CMAKE_CURRENT_LIST_DIR}/outline_data_fuzzer.cpp
    LIBS velin::outline_core)
velin_add_fuzzer(outline_view SOURCES ${CMAKE_CURRENT_LIST_DIR}/outline_view_fuzzer.cpp
    LIBS velin::outline)
# The clipboard's export conversion on arbitrary lessons.
velin_add_fuzzer(export SOURCES ${CMAKE_CURRENT_LIST_DIR}/export_fuzzer.cpp LIBS velin::textcore)
