# "Vantrel Configuration.exe": the dialog, its resources and the Win32
# adapters behind the portable form logic of vantrel_config_core.
set(vantrel_config_res ${CMAKE_CURRENT_LIST_DIR}/../res)
add_executable(VantrelConfiguration WIN32
  ${CMAKE_CURRENT_LIST_DIR}/main_win32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialog_controls_win32.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resource_bitmap_wrapper.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vantrel_configuration.rc)
set_target_properties(VantrelConfiguration PROPERTIES OUTPUT_NAME "Vantrel Configuration")
# The version resource takes project()'s version from a generated header.
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${CMAKE_CURRENT_BINARY_DIR}/vantrel_version.h)
# windres also looks for the files that the script names in its include path.
target_include_directories(VantrelConfiguration PRIVATE ${PROJECT_SOURCE_DIR} ${vantrel_config_res}
  ${CMAKE_CURRENT_BINARY_DIR})
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/vantrel_configuration.rc PROPERTIES
  OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/config/dialog_ids.h;${CMAKE_CURRENT_LIST_DIR}/vantrel_configuration.manifest;${vantrel_config_res}/add.png;${vantrel_config_res}/remove.png;${vantrel_config_res}/apply.png;${vantrel_config_res}/vantrel.ico")

target_link_libraries(VantrelConfiguration PRIVATE
  vantrel_config_core vantrel_settings
  vantrel_win32_registry vantrel_win32_wmi vantrel_win32_service_manager vantrel_win32_http
  vantrel_win32_version_info vantrel_win32_syslibs)
