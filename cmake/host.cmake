# Host build: the portable core, its native unit tests and the core benchmarks.
if(TOVREL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  target_compile_options(tovrel_core PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer)
endif()

find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(tovrel_native_tests ${NATIVE_TESTS})
target_link_libraries(tovrel_native_tests PRIVATE tovrel_core GTest::gtest_main GTest::gmock)
target_compile_options(tovrel_native_tests PRIVATE -Wall -Wextra -Wno-missing-field-initializers)
gtest_discover_tests(tovrel_native_tests DISCOVERY_TIMEOUT 60)

find_package(benchmark QUIET)
if(benchmark_FOUND)
  file(GLOB CORE_BENCHES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_bench.cpp)
  foreach(src IN LISTS CORE_BENCHES)
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE tovrel_core benchmark::benchmark_main)
  endforeach()
endif()

# The icon generator; the native tests check its output against the committed resources/tovrel.ico.
add_executable(make_icon ${CMAKE_SOURCE_DIR}/resources/make_icon.cpp ${CMAKE_SOURCE_DIR}/resources/icon_art.cpp
               ${CMAKE_SOURCE_DIR}/resources/icon_encoding.cpp)
target_compile_options(make_icon PRIVATE -Wall -Wextra)
target_sources(tovrel_native_tests PRIVATE ${CMAKE_SOURCE_DIR}/resources/icon_art.cpp
                                          ${CMAKE_SOURCE_DIR}/resources/icon_encoding.cpp)
target_compile_definitions(tovrel_native_tests PRIVATE TOVREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

# No include may point up or across the layers.
add_test(NAME Layers.EveryIncludePointsDown COMMAND bash ${CMAKE_SOURCE_DIR}/tests/native/layers_test.sh)

# docs/schedule.png, drawn from the real schedule on a clock of its own (scripts/schedule-picture.sh);
# the native tests read the holds back out of its pixels and compare it with the committed file.
add_library(tovrel_schedule_picture STATIC ${CMAKE_SOURCE_DIR}/tests/picture/schedule_trace.cpp
            ${CMAKE_SOURCE_DIR}/tests/picture/schedule_picture.cpp ${CMAKE_SOURCE_DIR}/tests/picture/pixel_font.cpp)
target_link_libraries(tovrel_schedule_picture PUBLIC tovrel_core)
target_compile_options(tovrel_schedule_picture PRIVATE -Wall -Wextra -Wno-missing-field-initializers)
add_executable(schedule_picture ${CMAKE_SOURCE_DIR}/tests/picture/schedule_picture_main.cpp)
target_link_libraries(schedule_picture PRIVATE tovrel_schedule_picture)
target_compile_options(schedule_picture PRIVATE -Wall -Wextra)
target_link_libraries(tovrel_native_tests PRIVATE tovrel_schedule_picture)
find_program(TOVREL_IMAGE_COMPARE compare)
if(TOVREL_IMAGE_COMPARE)
  add_test(NAME SchedulePicture.ThePngDecodesToThePixelsDrawn
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/native/png_decode_test.sh $<TARGET_FILE:schedule_picture>
                   ${TOVREL_IMAGE_COMPARE})
endif()
