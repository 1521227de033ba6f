# The service host: portable decisions in vantrel_service_core, and on
# Windows the Vantrel.exe program around them.
add_library(vantrel_service_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/control_gate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/service_context.cpp
  ${CMAKE_CURRENT_LIST_DIR}/service_entry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recovery.cpp)
target_link_libraries(vantrel_service_core PUBLIC vantrel_settings vantrel_log)

if(WIN32)
  add_executable(Vantrel WIN32
    ${CMAKE_CURRENT_LIST_DIR}/win32/service_main_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/control_registration_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/host_ports_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/engine_wiring_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/preview_output_win32.cpp)
  set_target_properties(Vantrel PROPERTIES OUTPUT_NAME "Vantrel")
  # vantrel_engine is defined after this file (service/engine); target
  # names resolve at generate time.
  target_link_libraries(Vantrel PRIVATE
    vantrel_service_core vantrel_engine
    vantrel_win32_log_file vantrel_win32_registry vantrel_win32_wmi
    vantrel_win32_terminal_services vantrel_win32_accounts vantrel_win32_spooler
    vantrel_win32_service_manager
    vantrel_win32_syslibs)
endif()
