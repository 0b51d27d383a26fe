# The end-to-end test starts the programs built beside it.
if(TARGET test_e2e)
  add_dependencies(test_e2e Tessaron TessaronCmd)
  # The console program in a demo machine of its own, then its report against the schema and the
  # shipped folder against its manifest, with the host's tools.
  add_test(NAME test_e2e_cli_demo_machine
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/e2e/cli-in-demo-machine.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(test_e2e_cli_demo_machine PROPERTIES TIMEOUT 1200 RESOURCE_LOCK wineprefix)
endif()
