# The simulated machine and the presetra tool's commands: the same sources in the native build
# (the Linux tool and the tests) and in the cross builds (presetra.exe).
if(WIN32)
  # nlohmann's JSON is header-only: the cross builds take the host's header, alone (the host's
  # include folder as a whole holds the C library of the wrong system).
  find_path(PRESETRA_NLOHMANN_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
            REQUIRED)
  set(json_include ${CMAKE_CURRENT_BINARY_DIR}/json_include)
  file(MAKE_DIRECTORY ${json_include})
  file(CREATE_LINK ${PRESETRA_NLOHMANN_DIR}/nlohmann ${json_include}/nlohmann SYMBOLIC)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${json_include})
else()
  find_package(nlohmann_json 3 REQUIRED)
endif()

add_library(presetra_sim STATIC
  platform/sim/clock.cpp
  platform/sim/com.cpp
  platform/sim/devices.cpp
  platform/sim/end_state.cpp
  platform/sim/faults.cpp
  platform/sim/file_system.cpp
  platform/sim/machine.cpp
  platform/sim/power.cpp
  platform/sim/processes.cpp
  platform/sim/json_problem.cpp
  platform/sim/profile.cpp
  platform/sim/registry.cpp
  platform/sim/shell.cpp
  platform/sim/windows.cpp
  platform/sim/wmi.cpp
)
# The string table the simulated machine serves, as Windows serves the DLL's resources.
presetra_generate_strings(cpp ${CMAKE_CURRENT_BINARY_DIR}/string_table_data.cpp)
add_library(presetra_resources STATIC resources/string_table.cpp
            ${CMAKE_CURRENT_BINARY_DIR}/string_table_data.cpp)
target_link_libraries(presetra_resources PUBLIC presetra_platform)
target_link_libraries(presetra_sim PUBLIC presetra_emulation presetra_resources presetra_platform
                      nlohmann_json::nlohmann_json)

# The embedded default machine is one of the example profiles, compiled in as text.
set(PRESETRA_DEFAULT_MACHINE ${CMAKE_CURRENT_SOURCE_DIR}/examples/notebook-modern-standby.json)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PRESETRA_DEFAULT_MACHINE})
file(READ ${PRESETRA_DEFAULT_MACHINE} PRESETRA_DEFAULT_MACHINE_TEXT)
configure_file(cli/default_machine.cpp.in ${CMAKE_CURRENT_BINARY_DIR}/default_machine.cpp @ONLY)

add_library(presetra_cli STATIC
  cli/capture.cpp
  cli/commands.cpp
  cli/live_state.cpp
  cli/file_text.cpp
  cli/machine_writer.cpp
  cli/decisions.cpp
  cli/matrix.cpp
  cli/parallel.cpp
  cli/plan.cpp
  cli/plan_format.cpp
  cli/units.cpp
  cli/verify.cpp
  cli/simulated_run.cpp
  cli/wmiparams.cpp
  ${CMAKE_CURRENT_BINARY_DIR}/default_machine.cpp
)
target_include_directories(presetra_cli PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(presetra_cli PUBLIC presetra_module presetra_sim)

