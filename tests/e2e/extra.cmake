# The end-to-end test starts the program built beside it.
if(TARGET test_e2e)
  add_dependencies(test_e2e Tessaron)
endif()
