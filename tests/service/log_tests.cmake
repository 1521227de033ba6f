add_executable(log_tests ${CMAKE_CURRENT_LIST_DIR}/log_test.cpp)
target_link_libraries(log_tests PRIVATE vantrel_log GTest::gtest_main)
gtest_discover_tests(log_tests)
