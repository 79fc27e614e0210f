# velnora_add_fuzzer(NAME SOURCES src... LIBS lib...)
# Adds a libFuzzer target when VELNORA_FUZZ is on, and nothing otherwise.
# .ci/run builds the target `fuzzers` and runs every fuzz_* binary for a bounded
# time, seeded from tests/fuzz-corpus/<NAME>/ when that folder exists.
if(VELNORA_FUZZ AND NOT TARGET fuzzers)
  add_custom_target(fuzzers)
endif()

function(velnora_add_fuzzer name)
  if(NOT VELNORA_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_dependencies(fuzzers ${name})
endfunction()

# velnora_add_gtest(NAME SOURCES src... LIBS lib...)
# A GoogleTest executable registered with CTest. Its main() (tests/common)
# makes a QGuiApplication on the offscreen platform, so that fonts and
# painting work without a display. Each test gets a registry file of its own.
function(velnora_add_gtest name)
  if(NOT VELNORA_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/common/GuiTestMain.cpp)
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock Qt6::Gui ${T_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
  target_compile_definitions(${name} PRIVATE
    VELNORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    VELNORA_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VELNORA_REGISTRY=${PROJECT_BINARY_DIR}/test-registry/${name}.reg"
    TIMEOUT 600)
endfunction()

# velnora_add_qtest(NAME SOURCES src... LIBS lib...)
# A Qt Test executable (its own QTEST_MAIN) registered with CTest, offscreen.
function(velnora_add_qtest name)
  if(NOT VELNORA_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  qt_add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
  target_compile_definitions(${name} PRIVATE
    VELNORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    VELNORA_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VELNORA_REGISTRY=${PROJECT_BINARY_DIR}/test-registry/${name}.reg"
    TIMEOUT 600)
endfunction()
