# The Exchange run tests start the real stand-in helpers.
if(TARGET test_exchange)
  add_dependencies(test_exchange tess_companions)
endif()

# The user that scripts/demo and the Exchange end-to-end tests play: drives the real windows.
tess_demo_driver(exchange_demo_driver ${CMAKE_CURRENT_SOURCE_DIR}/exchange/driver/ExchangeDemoDriver.cpp)

# The Exchange end-to-end tests need a demo machine (removable drives) and the driver.
if(TARGET test_e2e)
  add_dependencies(test_e2e exchange_demo_driver tess_companions)
endif()
tess_demo_machine_test(test_e2e_exchange_demo_machine e2e-exchange ExchangeEndToEnd.* 1200)
