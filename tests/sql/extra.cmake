# Scriptable stand-ins for the SQL companion tools, used by test_sql (copied into each test's
# program folder under the tools' names).
set(TESS_SQL_FAKES_DIR ${TESS_TEST_DIR}/sqlfakes)
add_executable(sql_fake_tool WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/sql/fakes/FakeSqlTool.cpp)
set_target_properties(sql_fake_tool PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TESS_SQL_FAKES_DIR})
target_link_options(sql_fake_tool PRIVATE -municode)
target_link_libraries(sql_fake_tool PRIVATE shell32)

add_library(sql_fake_library SHARED ${CMAKE_CURRENT_SOURCE_DIR}/sql/fakes/FakeSqlLibrary.cpp)
set_target_properties(sql_fake_library PROPERTIES PREFIX "" OUTPUT_NAME SQLSrvBackup
                      RUNTIME_OUTPUT_DIRECTORY ${TESS_SQL_FAKES_DIR} LIBRARY_OUTPUT_DIRECTORY ${TESS_SQL_FAKES_DIR})

if(TARGET test_sql)
  add_dependencies(test_sql sql_fake_tool sql_fake_library)
  target_compile_definitions(test_sql PRIVATE TESS_SQL_FAKES_DIR="${TESS_SQL_FAKES_DIR}")
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
