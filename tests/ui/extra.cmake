# The window tests open the built help file.
if(TARGET test_ui AND TARGET tessaron_help)
  add_dependencies(test_ui tessaron_help)
endif()
