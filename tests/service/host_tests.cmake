# The service host's native tests.
add_executable(host_tests ${CMAKE_CURRENT_LIST_DIR}/host/host_test.cpp)
target_link_libraries(host_tests PRIVATE vantrel_service_core vantrel_fakes GTest::gtest_main)
gtest_discover_tests(host_tests)
