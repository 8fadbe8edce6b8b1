# quillet_add_test(NAME <target> SOURCES <files...> LIBS <libs...> [GUI])
# One GoogleTest executable registered with CTest. Core tests get a QCoreApplication,
# GUI tests (GUI) a QApplication on the offscreen platform; both mains live in tests/common.
function(quillet_add_test)
  cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_GUI)
    target_link_libraries(${T_NAME} PRIVATE quillet_test_main_gui)
    quillet_use_pch(${T_NAME} quillet_pch_tests_gui)
  else()
    target_link_libraries(${T_NAME} PRIVATE quillet_test_main_core)
    quillet_use_pch(${T_NAME} quillet_pch_tests_core)
  endif()
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  target_compile_definitions(${T_NAME} PRIVATE
    QUILLET_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  # Parameterised cases are named by their name generator only: the printed parameter, which
  # CTest would add to the name, holds heap bytes that change from build to build.
  gtest_discover_tests(${T_NAME}
    NO_PRETTY_VALUES
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()

# quillet_add_benchmark(NAME <target> SOURCES <files...> LIBS <libs...>)
# Benchmarks stay out of the default build: make bench builds and runs them.
function(quillet_add_benchmark)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${B_NAME} EXCLUDE_FROM_ALL ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark)
  add_dependencies(benchmarks ${B_NAME})
endfunction()
