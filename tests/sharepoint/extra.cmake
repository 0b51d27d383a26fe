# The user that the SharePoint flow of scripts/demo plays: drives the real windows of Tessaron.exe.
add_executable(sharepoint_demo_driver ${CMAKE_CURRENT_SOURCE_DIR}/sharepoint/driver/SharePointDemoDriver.cpp
                                      ${CMAKE_CURRENT_SOURCE_DIR}/support/TestSupport.cpp)
target_link_libraries(sharepoint_demo_driver PRIVATE tess_test_windows)
target_compile_definitions(sharepoint_demo_driver PRIVATE TESS_BIN_DIR="${TESS_BIN_DIR}" TESS_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
target_link_options(sharepoint_demo_driver PRIVATE -municode)
set_target_properties(sharepoint_demo_driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TESS_TEST_DIR})

# The SharePoint end-to-end tests need a demo machine (SharePoint installed, the removable drive):
# they run in a demo machine of their own.
if(TARGET test_e2e)
  add_test(NAME test_e2e_sharepoint_demo_machine
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/e2e/in-demo-machine.sh ${CMAKE_BINARY_DIR} e2e-sharepoint
                   SharePointEndToEnd.*)
  set_tests_properties(test_e2e_sharepoint_demo_machine PROPERTIES TIMEOUT 600 RESOURCE_LOCK wineprefix)
endif()
