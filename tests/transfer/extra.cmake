# The shipping manifest checked by the host's sha256sum.
if(TARGET test_transfer)
  add_test(NAME test_transfer_manifest_sha256sum
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/transfer/manifest-check.sh ${TESS_TEST_DIR})
  set_tests_properties(test_transfer_manifest_sha256sum PROPERTIES TIMEOUT 300 RESOURCE_LOCK wineprefix)
endif()
# A destination drive that drops out and comes back, on a FUSE drive that can fail.
if(TARGET test_transfer)
  add_test(NAME test_transfer_dropped_drive
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/support/fuse-drive-session.sh r
                   wine ${TESS_TEST_DIR}/test_transfer.exe --gtest_filter=DroppedDrive.*)
  set_tests_properties(test_transfer_dropped_drive PROPERTIES TIMEOUT 300 RESOURCE_LOCK wineprefix)
endif()
