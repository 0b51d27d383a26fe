# The contract tests start the real tools from the build's program folder: build them first.
if(TARGET test_companions)
  add_dependencies(test_companions tess_companions)
endif()
