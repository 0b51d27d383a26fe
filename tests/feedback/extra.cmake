# The trust helper of the feedback tests and the demo: adds the notification server's throw-away
# CA to the prefix's trusted root store.
add_executable(feedback_trust_ca ${CMAKE_CURRENT_SOURCE_DIR}/feedback/tools/TrustCa.cpp)
target_link_options(feedback_trust_ca PRIVATE -municode)
target_link_libraries(feedback_trust_ca PRIVATE crypt32)
set_target_properties(feedback_trust_ca PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TESS_TEST_DIR})

# The feedback tests against real notification servers (trusted, untrusted, silent): the script
# starts them, trusts the test CA in the prefix and runs test_feedback's server tests.
if(TARGET test_feedback)
  add_dependencies(test_feedback feedback_trust_ca)
  add_test(NAME test_feedback_server
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/feedback/server-tests.sh ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
  set_tests_properties(test_feedback_server PROPERTIES TIMEOUT 300 RESOURCE_LOCK wineprefix)
endif()

# The user that the feedback demo plays: drives the real windows of Tessaron.exe.
tess_demo_driver(feedback_demo_driver ${CMAKE_CURRENT_SOURCE_DIR}/feedback/driver/FeedbackDemoDriver.cpp tess_feedback)
