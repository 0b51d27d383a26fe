# Child programs of the process-control tests, built next to test_common.exe.
add_executable(common_child ${CMAKE_CURRENT_LIST_DIR}/tools/common_child.cpp)
set_target_properties(common_child PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TESS_TEST_DIR})
target_link_options(common_child PRIVATE -municode)
target_link_libraries(common_child PRIVATE shell32)
add_dependencies(test_common common_child)
