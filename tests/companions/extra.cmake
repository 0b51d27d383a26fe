# The contract tests start the real tools from the build's program folder: build them first.
# The pure parts (argument splitting, the demo description, the output texts) are tested
# directly against the companions' own library.
if(TARGET test_companions)
  add_dependencies(test_companions tess_companions)
  target_link_libraries(test_companions PRIVATE tess_companion)
endif()
