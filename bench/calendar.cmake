# The calendar conversions in ns per call, beside the Gregorian conversions as the baseline.
# Two system libraries that convert Hebrew dates run in the same binary when they are
# installed (libhdate-dev, libicu-dev); they are linked into this benchmark only.
velin_add_bench(calendar_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/calendar_bench.cpp
    LIBS velin::calendar_core
)
find_path(VELIN_HDATE_INCLUDE_DIR hdate.h)
find_library(VELIN_HDATE_LIBRARY hdate)
if(VELIN_HDATE_INCLUDE_DIR AND VELIN_HDATE_LIBRARY)
    target_include_directories(calendar_bench PRIVATE ${VELIN_HDATE_INCLUDE_DIR})
    target_link_libraries(calendar_bench PRIVATE ${VELIN_HDATE_LIBRARY})
    target_compile_definitions(calendar_bench PRIVATE VELIN_BENCH_HDATE=1)
endif()
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
    pkg_check_modules(VELIN_ICU_I18N QUIET IMPORTED_TARGET icu-i18n icu-uc)
    if(VELIN_ICU_I18N_FOUND)
        target_link_libraries(calendar_bench PRIVATE PkgConfig::VELIN_ICU_I18N)
        target_compile_definitions(calendar_bench PRIVATE VELIN_BENCH_ICU=1)
    endif()
endif()
