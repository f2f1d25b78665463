# The platform layer: painting a full screen of text with a real face beside filling the same
# area, at 240 x 320 and 480 x 640; and the peak memory of an idle program (the headless
# demonstration program) beside that of a process that does nothing.
velin_add_bench(platform_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/platform_bench.cpp LIBS velin::platform)
if(TARGET velin_platform_demo)
    target_compile_definitions(platform_bench PRIVATE VELIN_DEMO_PATH="$<TARGET_FILE:velin_platform_demo>")
    add_dependencies(platform_bench velin_platform_demo)
endif()
