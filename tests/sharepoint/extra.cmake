# The user that the SharePoint flow of scripts/demo plays: drives the real windows of Tessaron.exe.
tess_demo_driver(sharepoint_demo_driver ${CMAKE_CURRENT_SOURCE_DIR}/sharepoint/driver/SharePointDemoDriver.cpp)

# The SharePoint end-to-end tests need a demo machine (SharePoint installed, the removable drive).
tess_demo_machine_test(test_e2e_sharepoint_demo_machine e2e-sharepoint SharePointEndToEnd.* 600)
