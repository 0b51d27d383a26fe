# The window tests open the built help file.
if(TARGET test_ui AND TARGET tessaron_help)
  add_dependencies(test_ui tessaron_help)
endif()

# The shipping manifest checked by the host's sha256sum.
if(TARGET test_ui)
  add_test(NAME test_ui_manifest_sha256sum
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/ui/manifest-check.sh ${TESS_TEST_DIR})
  set_tests_properties(test_ui_manifest_sha256sum PROPERTIES TIMEOUT 300 RESOURCE_LOCK wineprefix)
endif()
