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

# The machine model: the profile as a type, its reader, and how it is laid onto Windows.
add_library(presetra_machine STATIC
  machine/json_problem.cpp
  machine/layout.cpp
  machine/profile.cpp
  machine/profile_writer.cpp
  machine/scheme_fields.cpp
  machine/scheme_laying.cpp
)
target_link_libraries(presetra_machine PUBLIC presetra_emulation presetra_platform
                      nlohmann_json::nlohmann_json)

add_library(presetra_sim STATIC
  platform/sim/clock.cpp
  platform/sim/com.cpp
  platform/sim/devices.cpp
  platform/sim/faults.cpp
  platform/sim/file_system.cpp
  platform/sim/file_system_user.cpp
  platform/sim/machine.cpp
  platform/sim/power.cpp
  platform/sim/processes.cpp
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
target_link_libraries(presetra_sim PUBLIC presetra_machine presetra_emulation presetra_resources presetra_platform
                      nlohmann_json::nlohmann_json)

# The embedded default machine is one of the example profiles, compiled in as text.
set(PRESETRA_DEFAULT_MACHINE ${CMAKE_CURRENT_SOURCE_DIR}/examples/notebook-modern-standby.json)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PRESETRA_DEFAULT_MACHINE})
file(READ ${PRESETRA_DEFAULT_MACHINE} PRESETRA_DEFAULT_MACHINE_TEXT)
configure_file(cli/run/default_machine.cpp.in ${CMAKE_CURRENT_BINARY_DIR}/default_machine.cpp @ONLY)

# The tool's rooms, each a library linked only to the rooms below it (the README's table): a
# run of the actions and its explanation at the bottom, the fleet, the live PC, profile writing
# and WMI streams on it, and the front end on top.
# Windows images: the Linux tool reads hives and WIMs with hivex and wimlib; presetra.exe does
# not read images.
if(WIN32)
  add_library(presetra_image STATIC image/unavailable.cpp)
else()
  # Debian's wimlib.pc names libraries (ntfs-3g, fuse) its -dev package does not bring.
  find_path(PRESETRA_WIMLIB_INCLUDE wimlib.h REQUIRED)
  find_library(PRESETRA_WIMLIB wim REQUIRED)
  find_path(PRESETRA_HIVEX_INCLUDE hivex.h REQUIRED)
  find_library(PRESETRA_HIVEX hivex REQUIRED)
  add_library(presetra_image STATIC image/hive.cpp image/power_settings.cpp image/wim.cpp
              image/windows_image.cpp)
  target_include_directories(presetra_image SYSTEM PRIVATE ${PRESETRA_WIMLIB_INCLUDE}
                             ${PRESETRA_HIVEX_INCLUDE})
  target_link_libraries(presetra_image PRIVATE ${PRESETRA_WIMLIB} ${PRESETRA_HIVEX})
endif()
target_link_libraries(presetra_image PUBLIC presetra_machine)

add_library(presetra_cli_run STATIC
  cli/run/arguments.cpp
  cli/run/decisions.cpp
  cli/run/end_state.cpp
  cli/run/file_output.cpp
  cli/run/file_text.cpp
  cli/run/image_source.cpp
  cli/run/plan.cpp
  cli/run/plan_format.cpp
  cli/run/profile_source.cpp
  cli/run/simulated_run.cpp
  cli/run/units.cpp
  ${CMAKE_CURRENT_BINARY_DIR}/default_machine.cpp
)
target_link_libraries(presetra_cli_run PUBLIC presetra_image presetra_module presetra_sim)
add_library(presetra_cli_fleet STATIC cli/fleet/fleet_diff.cpp cli/fleet/fleet_table.cpp
            cli/fleet/matrix.cpp cli/fleet/parallel.cpp cli/fleet/table_cells.cpp)
target_link_libraries(presetra_cli_fleet PUBLIC presetra_cli_run)
add_library(presetra_cli_live STATIC cli/live/capture.cpp cli/live/live_state.cpp
            cli/live/state_dump.cpp
            cli/live/registry_capture.cpp
            cli/live/verify.cpp)
target_link_libraries(presetra_cli_live PUBLIC presetra_cli_run)
add_library(presetra_cli_profiles STATIC cli/profiles/machine_writer.cpp)
target_link_libraries(presetra_cli_profiles PUBLIC presetra_cli_run)
add_library(presetra_cli_wmiparams STATIC cli/wmiparams/wmiparams.cpp)
target_link_libraries(presetra_cli_wmiparams PUBLIC presetra_cli_run)
add_library(presetra_cli STATIC cli/commands.cpp)
target_link_libraries(presetra_cli PUBLIC presetra_cli_fleet presetra_cli_live presetra_cli_profiles
                      presetra_cli_wmiparams)
