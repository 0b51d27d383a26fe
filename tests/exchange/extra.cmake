# The Exchange run tests start the real stand-in helpers.
if(TARGET test_exchange)
  add_dependencies(test_exchange tess_companions)
endif()
