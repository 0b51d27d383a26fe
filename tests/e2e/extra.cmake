# The end-to-end test starts the programs built beside it.
if(TARGET test_e2e)
  # Presses Ctrl+C on a console of its own for the console program's cancel.
  add_executable(console_ctrl_c ${CMAKE_CURRENT_LIST_DIR}/tools/console_ctrl_c.cpp)
  set_target_properties(console_ctrl_c PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TESS_TEST_DIR})
  target_link_options(console_ctrl_c PRIVATE -municode)
  add_dependencies(test_e2e Tessaron TessaronCmd console_ctrl_c)
  # The console program in a demo machine of its own, then its report against the schema and the
  # shipped folder against its manifest, with the host's tools.
  add_test(NAME test_e2e_cli_demo_machine
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/e2e/cli-in-demo-machine.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(test_e2e_cli_demo_machine PROPERTIES TIMEOUT 1200 RESOURCE_LOCK wineprefix)
endif()
