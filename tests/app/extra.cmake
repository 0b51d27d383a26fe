# The SharePoint run test starts the stand-in tool built beside the program.
if(TARGET test_app)
  add_dependencies(test_app OstrovaSharepoint)
endif()
