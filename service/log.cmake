# The diagnostic log: portable formatting and the open-once logic; the file
# itself is the Win32 adapter's (platform/win32/log_file_win32.cpp).
find_package(Threads REQUIRED)
add_library(vantrel_log STATIC ${CMAKE_CURRENT_LIST_DIR}/log.cpp)
target_link_libraries(vantrel_log PUBLIC Threads::Threads)
