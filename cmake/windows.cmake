# Windows build: the core again, the Win32 layer, Tovrel.exe, Win32 and end-to-end tests.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
include(${CMAKE_CURRENT_LIST_DIR}/release.cmake)

set(WIN_DEFS UNICODE _UNICODE _WIN32_WINNT=0x0A00 WINVER=0x0A00 NOMINMAX WIN32_LEAN_AND_MEAN)
set(WIN_OPTS -finput-charset=UTF-8 -Wall -Wextra -Wno-missing-field-initializers -Wno-cast-function-type)
# At start-up only kernel32 and msvcrt are mapped: every other system DLL is bound at its first
# call, after the program has kept the DLL search to the system folder (platform/
# system_library_win.h), so that neither it nor what it loads can come from beside the exe.
set(DELAYED_DLLS user32 gdi32 comctl32 shell32 ole32 oleaut32 advapi32)
set(delay_inputs ${CMAKE_CURRENT_LIST_DIR}/delay_import_lib.sh ${CMAKE_SOURCE_DIR}/scripts/windows7-lacks.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${delay_inputs})
set(WIN_LIBS uuid)
foreach(dll IN LISTS DELAYED_DLLS)
  find_library(import_lib_${dll} ${dll} REQUIRED)
  set(delay_lib ${CMAKE_BINARY_DIR}/delay/lib${dll}_delay.a)
  set(stale FALSE)
  foreach(input IN LISTS delay_inputs import_lib_${dll})
    # Also true while the library does not exist.
    if(${input} IS_NEWER_THAN ${delay_lib})
      set(stale TRUE)
    endif()
  endforeach()
  if(stale)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/delay)
    execute_process(COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/delay_import_lib.sh ${import_lib_${dll}} ${dll}.dll
                            ${delay_lib} COMMAND_ERROR_IS_FATAL ANY)
  endif()
  list(APPEND WIN_LIBS ${delay_lib})
endforeach()
set(WIN_LINK -static -static-libgcc -static-libstdc++)
# The product's own code checks its stack frames and fortifiable buffer calls; the guard and the
# failure ends are its own (platform/stack_guard_win.cpp), the checked calls libssp's.
# tests/release/hardening_test.sh reads them back from the exe.
set(WIN_HARDENING -fstack-protector-strong -D_FORTIFY_SOURCE=2)

target_compile_definitions(tovrel_core PUBLIC ${WIN_DEFS})

set(APP_WIN ${CORE_WIN_SOURCES})
list(FILTER APP_WIN EXCLUDE REGEX "entry_point_win\\.cpp$")
add_library(tovrel_win STATIC ${APP_WIN})
target_include_directories(tovrel_win PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(tovrel_win PRIVATE ${WIN_OPTS} ${WIN_HARDENING})
target_compile_options(tovrel_core PRIVATE ${WIN_HARDENING})
target_link_libraries(tovrel_win PUBLIC tovrel_core ${WIN_LIBS} ssp)

add_executable(Tovrel WIN32 main_window/entry_point_win.cpp resources/tovrel.rc)
# The manifest is generated (it carries the version).
set_source_files_properties(resources/tovrel.rc PROPERTIES INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/resources)
target_compile_options(Tovrel PRIVATE ${WIN_OPTS} ${WIN_HARDENING})
target_link_libraries(Tovrel PRIVATE tovrel_win)
target_link_options(Tovrel PRIVATE ${WIN_LINK} -municode)
set_target_properties(Tovrel PROPERTIES OUTPUT_NAME Tovrel RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# Tovrel.exe has to start on a plain Windows 7; a script, so Wine is not involved.
add_test(NAME Release.ImportsOfTovrelExe COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/imports_test.sh $<TARGET_FILE:Tovrel>)
add_test(NAME Release.HardeningOfTovrelExe COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/hardening_test.sh $<TARGET_FILE:Tovrel>)

# GoogleTest from Debian's sources, built for Windows.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# Small helper programs the Win32 tests start and act on (busy children).
file(GLOB TEST_CHILDREN CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/children/*.cpp)
foreach(src IN LISTS TEST_CHILDREN)
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  # A child with a resource script beside it carries those resources (an icon).
  get_filename_component(dir ${src} DIRECTORY)
  if(EXISTS ${dir}/${name}.rc)
    target_sources(${name} PRIVATE ${dir}/${name}.rc)
  endif()
  target_compile_options(${name} PRIVATE ${WIN_OPTS} ${WIN_HARDENING})
  target_link_libraries(${name} PRIVATE tovrel_win oleacc)
  target_link_options(${name} PRIVATE ${WIN_LINK} -municode)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endforeach()

file(GLOB WIN_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*_test.cpp)
add_executable(tovrel_win_tests ${WIN_TESTS})
target_compile_options(tovrel_win_tests PRIVATE ${WIN_OPTS})
target_link_libraries(tovrel_win_tests PRIVATE tovrel_win gtest_main gmock oleacc winmm)
foreach(src IN LISTS TEST_CHILDREN)
  get_filename_component(name ${src} NAME_WE)
  add_dependencies(tovrel_win_tests ${name})
endforeach()
target_link_options(tovrel_win_tests PRIVATE ${WIN_LINK})
set_target_properties(tovrel_win_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
gtest_discover_tests(tovrel_win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                     WORKING_DIRECTORY ${CMAKE_BINARY_DIR} PROPERTIES LABELS win)

# End-to-end tests drive the real Tovrel.exe from a separate driver under Wine + Xvfb.
file(GLOB E2E_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*_test.cpp)
if(E2E_TESTS)
  add_executable(tovrel_e2e_tests ${E2E_TESTS})
  target_compile_options(tovrel_e2e_tests PRIVATE ${WIN_OPTS})
  target_link_libraries(tovrel_e2e_tests PRIVATE tovrel_win gtest_main gmock oleacc version)
  target_link_options(tovrel_e2e_tests PRIVATE ${WIN_LINK})
  set_target_properties(tovrel_e2e_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  add_dependencies(tovrel_e2e_tests Tovrel)
  gtest_discover_tests(tovrel_e2e_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       WORKING_DIRECTORY ${CMAKE_BINARY_DIR} PROPERTIES LABELS e2e RUN_SERIAL TRUE)
endif()

# A DLL planted beside a copy of Tovrel.exe never loads; the script drives it through a
# program of its own, built here and never listed by CTest.
add_executable(planted_dlls_driver tests/e2e/planted_dlls_driver.cpp)
target_compile_options(planted_dlls_driver PRIVATE ${WIN_OPTS})
target_link_libraries(planted_dlls_driver PRIVATE tovrel_win gtest_main oleacc)
target_link_options(planted_dlls_driver PRIVATE ${WIN_LINK})
set_target_properties(planted_dlls_driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(planted_dlls_driver Tovrel)
add_test(NAME EndToEnd.PlantedDllsNeverLoad COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/planted_dlls_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(EndToEnd.PlantedDllsNeverLoad PROPERTIES LABELS e2e RUN_SERIAL TRUE)

# The README's picture, made from a Tovrel.exe started on its own (scripts/screenshot.sh).
add_executable(readme_picture tests/e2e/readme_picture.cpp)
target_compile_options(readme_picture PRIVATE ${WIN_OPTS})
target_link_libraries(readme_picture PRIVATE tovrel_win)
target_link_options(readme_picture PRIVATE ${WIN_LINK} -municode)
set_target_properties(readme_picture PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

file(GLOB WIN_BENCHES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_bench_win.cpp)
foreach(src IN LISTS WIN_BENCHES)
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_compile_options(${name} PRIVATE ${WIN_OPTS})
  target_link_libraries(${name} PRIVATE tovrel_win)
  target_link_options(${name} PRIVATE ${WIN_LINK})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endforeach()
