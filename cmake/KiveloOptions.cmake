# Warnings and sanitizer flags shared by every target of the project.
add_library(kivelo_options INTERFACE)
target_compile_options(kivelo_options INTERFACE -Wall -Wextra -Wno-unused-parameter
  # The sample vectors of the envelope scans are returned by always-inlined
  # loads; no call passes them by the psABI's rules, so its note is noise.
  $<$<CXX_COMPILER_ID:GNU>:-Wno-psabi>)

if(KIVELO_ASAN)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(KIVELO_FUZZ)
  # Instrument all project code for coverage; the fuzz targets add -fsanitize=fuzzer themselves.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# kivelo_test(name sources... LIBS libs...) : one GoogleTest executable registered with CTest.
function(kivelo_test name)
  cmake_parse_arguments(KT "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${KT_SOURCES})
  target_link_libraries(${name} PRIVATE ${KT_LIBS} GTest::gtest GTest::gtest_main kivelo_options)
  target_compile_definitions(${name} PRIVATE KIVELO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             KIVELO_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# kivelo_qt_test(name SOURCES ... LIBS ...) : one Qt Test executable, run offscreen.
function(kivelo_qt_test name)
  cmake_parse_arguments(KT "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${KT_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE ${KT_LIBS} Qt6::Test kivelo_options)
  target_compile_definitions(${name} PRIVATE KIVELO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             KIVELO_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()
