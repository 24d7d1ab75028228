# Shared build rules: warnings, sanitizers, and the test, fuzz and library helpers.

set(ZV_WARNINGS -Wall -Wextra -Wno-unused-parameter)
if(ZV_WERROR)
  list(APPEND ZV_WARNINGS -Werror)
endif()
add_compile_options(${ZV_WARNINGS})

# The hardening Debian builds its packages with, in every build that is not for debugging, so
# that the package and a plain `cmake --install` alike carry it. Fortified functions need the
# optimizer, so Debug goes without; the sanitizer and fuzz builds are instruments of their own
# and are left as they are.
string(TOUPPER "${CMAKE_BUILD_TYPE}" zv_build_type)
option(ZV_HARDEN "Build with Debian's hardening flags (not in Debug builds)" ON)
if(ZV_HARDEN AND zv_build_type AND NOT zv_build_type STREQUAL "DEBUG" AND NOT ZV_SANITIZE
   AND NOT ZV_FUZZ)
  add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2 -fstack-protector-strong
                      -Wformat -Werror=format-security)
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
# Executables as PIE, not only position-independent objects.
include(CheckPIESupported)
check_pie_supported()

if(ZV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(ZV_TSAN)
  if(ZV_SANITIZE)
    message(FATAL_ERROR "ZV_TSAN and ZV_SANITIZE cannot be combined: build them apart")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Sources of a directory: every .cpp that is not a test, a fuzz target or a main.
function(zv_dir_sources out dir)
  file(GLOB all CONFIGURE_DEPENDS "${dir}/*.cpp")
  set(res)
  foreach(f ${all})
    get_filename_component(n ${f} NAME)
    if(NOT n MATCHES "(_test|_fuzz|_main)\\.cpp$")
      list(APPEND res ${f})
    endif()
  endforeach()
  set(${out} ${res} PARENT_SCOPE)
endfunction()

# Tests of a directory: every *_test.cpp, linked into one GoogleTest program.
function(zv_dir_tests name dir)
  file(GLOB tests CONFIGURE_DEPENDS "${dir}/*_test.cpp")
  if(NOT tests)
    return()
  endif()
  add_executable(${name} ${tests} ${ARGN})
  target_link_libraries(${name} PRIVATE ${ZV_TEST_LIBS} GTest::gtest GTest::gmock)
  # Where a test finds files kept beside it (__FILE__ may be relative under a compiler cache).
  target_compile_definitions(${name} PRIVATE ZV_TEST_SOURCE_DIR="${dir}")
  if(NOT ZV_TEST_OWN_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()

# Fuzz targets of a directory: every *_fuzz.cpp becomes its own libFuzzer program.
function(zv_dir_fuzzers dir)
  if(NOT ZV_FUZZ)
    return()
  endif()
  file(GLOB fuzzers CONFIGURE_DEPENDS "${dir}/*_fuzz.cpp")
  foreach(f ${fuzzers})
    get_filename_component(n ${f} NAME_WE)
    add_executable(${n} ${f})
    target_compile_options(${n} PRIVATE -fsanitize=fuzzer)
    target_link_options(${n} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${n} PRIVATE ${ARGN})
    set_property(GLOBAL APPEND PROPERTY ZV_FUZZERS ${n})
  endforeach()
endfunction()

if(ZV_FUZZ)
  # Every library gets coverage so the fuzzers can steer; the fuzz mains link the driver.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
