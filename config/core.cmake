# The configuration program's portable logic: form, formats, drivers,
# service client and update check over DialogControls and the ports.
add_library(vantrel_config_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/driver_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/naming_formats.cpp
  ${CMAKE_CURRENT_LIST_DIR}/service_client.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_form.cpp
  ${CMAKE_CURRENT_LIST_DIR}/update_check.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vendor_pages.cpp)
target_link_libraries(vantrel_config_core PUBLIC vantrel_settings)
