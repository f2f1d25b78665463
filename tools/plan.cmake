# velin-plan: writes the built-in book's source from the verse-a-line text of the Scriptures.
# It needs no library of the project, so the book can be planned before anything else builds.
add_library(velin_plan STATIC ${CMAKE_CURRENT_LIST_DIR}/plan.cpp)
add_library(velin::plan ALIAS velin_plan)
target_include_directories(velin_plan PUBLIC ${PROJECT_SOURCE_DIR})

add_executable(velin-plan ${CMAKE_CURRENT_LIST_DIR}/plan_main.cpp)
target_link_libraries(velin-plan PRIVATE velin_plan)
