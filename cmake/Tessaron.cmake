# Helpers shared by every folder's CMakeLists.

# A static library of one source folder.
function(tess_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${A_LIBS})
endfunction()

# A GoogleTest executable run by ctest as one entry under Wine.
# Window tests get the comctl32 v6 manifest so that they see the same controls as the program.
function(tess_test name)
  cmake_parse_arguments(A "WINDOWS" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  set(sources ${A_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp
                           ${PROJECT_SOURCE_DIR}/tests/support/TestSupport.cpp)
  if(A_WINDOWS)
    list(APPEND sources ${PROJECT_SOURCE_DIR}/tests/support/test_manifest.rc)
  endif()
  add_executable(${name} ${sources})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TESS_TEST_DIR})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest GTest::gmock comctl32 ole32)
  if(A_WINDOWS)
    target_link_libraries(${name} PRIVATE tess_test_windows)
  endif()
  target_link_options(${name} PRIVATE -municode)
  target_compile_definitions(${name} PRIVATE TESS_BIN_DIR="${TESS_BIN_DIR}" TESS_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 600)
  endif()
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${TESS_TEST_DIR})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT} RESOURCE_LOCK wineprefix)
endfunction()
