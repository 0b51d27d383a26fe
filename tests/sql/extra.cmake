# The in-process SQL tests start the companion stand-ins of the build's program folder.
if(TARGET test_sql)
  add_dependencies(test_sql tess_companions)
endif()

# The SQL end-to-end tests need a demo machine (removable drives); this entry prepares one in its
# own prefix and runs them there.
if(TARGET test_e2e)
  add_test(NAME test_e2e_sql_demo_machine
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/e2e/in-demo-machine.sh ${CMAKE_BINARY_DIR} e2e-sql SqlEndToEnd.*)
  set_tests_properties(test_e2e_sql_demo_machine PROPERTIES TIMEOUT 1200 RESOURCE_LOCK wineprefix)
endif()

# The user that scripts/demo plays: drives the real windows of Tessaron.exe.
add_executable(sql_demo_driver ${CMAKE_CURRENT_SOURCE_DIR}/sql/driver/SqlDemoDriver.cpp)
target_link_libraries(sql_demo_driver PRIVATE tess_test_windows)
target_link_options(sql_demo_driver PRIVATE -municode)
set_target_properties(sql_demo_driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TESS_TEST_DIR})
