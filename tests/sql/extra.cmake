# The in-process SQL tests start the companion stand-ins of the build's program folder.
if(TARGET test_sql)
  add_dependencies(test_sql tess_companions)
endif()

# The SQL end-to-end tests need a demo machine (removable drives, a small one among them).
tess_demo_machine_test(test_e2e_sql_demo_machine e2e-sql SqlEndToEnd.* 1200)

# The user that scripts/demo plays: drives the real windows of Tessaron.exe.
tess_demo_driver(sql_demo_driver ${CMAKE_CURRENT_SOURCE_DIR}/sql/driver/SqlDemoDriver.cpp)
