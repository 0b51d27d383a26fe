# The Exchange run tests start the real stand-in helpers.
if(TARGET test_exchange)
  add_dependencies(test_exchange tess_companions)
endif()

# The user that scripts/demo and the Exchange end-to-end tests play: drives the real windows.
add_executable(exchange_demo_driver ${CMAKE_CURRENT_SOURCE_DIR}/exchange/driver/ExchangeDemoDriver.cpp
                                    ${CMAKE_CURRENT_SOURCE_DIR}/support/TestSupport.cpp)
target_link_libraries(exchange_demo_driver PRIVATE tess_test_windows)
target_compile_definitions(exchange_demo_driver PRIVATE TESS_BIN_DIR="${TESS_BIN_DIR}" TESS_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
target_link_options(exchange_demo_driver PRIVATE -municode)
set_target_properties(exchange_demo_driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TESS_TEST_DIR})

# The Exchange end-to-end tests need a demo machine (removable drives) and the driver.
if(TARGET test_e2e)
  add_dependencies(test_e2e exchange_demo_driver tess_companions)
  add_test(NAME test_e2e_exchange_demo_machine
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/e2e/in-demo-machine.sh ${CMAKE_BINARY_DIR} e2e-exchange ExchangeEndToEnd.*)
  set_tests_properties(test_e2e_exchange_demo_machine PROPERTIES TIMEOUT 1200 RESOURCE_LOCK wineprefix)
endif()
