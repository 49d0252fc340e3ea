# Native build: the simulated machine, the presetra tool and the unit tests.
find_package(nlohmann_json 3 REQUIRED)

add_library(presetra_sim STATIC
  platform/sim/clock.cpp
  platform/sim/com.cpp
  platform/sim/devices.cpp
  platform/sim/end_state.cpp
  platform/sim/faults.cpp
  platform/sim/file_system.cpp
  platform/sim/machine.cpp
  platform/sim/power.cpp
  ${PRESETRA_POWERCFG_SOURCES}
  platform/sim/processes.cpp
  platform/sim/json_problem.cpp
  platform/sim/profile.cpp
  platform/sim/registry.cpp
  platform/sim/shell.cpp
  platform/sim/windows.cpp
  platform/sim/wmi.cpp
)
presetra_generate_strings(cpp ${CMAKE_CURRENT_BINARY_DIR}/string_table_data.cpp)
target_sources(presetra_sim PRIVATE resources/string_table.cpp
               ${CMAKE_CURRENT_BINARY_DIR}/string_table_data.cpp)
target_link_libraries(presetra_sim PUBLIC presetra_core nlohmann_json::nlohmann_json)

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
  cli/plan.cpp
  cli/plan_format.cpp
  cli/units.cpp
  cli/verify.cpp
  cli/simulated_run.cpp
  cli/wmiparams.cpp
  ${CMAKE_CURRENT_BINARY_DIR}/default_machine.cpp
)
target_include_directories(presetra_cli PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(presetra_cli PUBLIC presetra_sim)

add_executable(presetra cli/main.cpp)
target_link_libraries(presetra PRIVATE presetra_cli)

enable_testing()
add_subdirectory(tests/unit)

# The table of Windows' defaults is refused when a value has no source.
add_test(NAME windows_defaults_need_sources
         COMMAND Python3::Interpreter ${PRESETRA_WINDOWS_DEFAULTS_GENERATOR}
                 ${PROJECT_SOURCE_DIR}/tests/unit/data/windows_defaults_without_source.tsv
                 ${CMAKE_CURRENT_BINARY_DIR}/windows_defaults_without_source.cpp)
set_tests_properties(windows_defaults_need_sources PROPERTIES
                     PASS_REGULAR_EXPRESSION "windows_defaults_without_source.tsv:3: a value without a source")
# Every include points down the README's layout table.
add_test(NAME include_layers
         COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/check-layers.py
                 ${PROJECT_SOURCE_DIR})
add_subdirectory(tests/bench)

# Lays a machine profile into a Wine prefix for the end-to-end tests.
add_executable(presetra-seed tools/wine/seed_prefix.cpp tools/wine/machine_facts.cpp)
target_link_libraries(presetra-seed PRIVATE presetra_sim)

# The real packages under Wine's Windows Installer, compared with the simulated machine. Needs
# the cross builds (Presetra.msi, Presetra-x64.msi and their stand-ins) in
# PRESETRA_CROSS_BUILD_DIR and PRESETRA_CROSS64_BUILD_DIR; PRESETRA_E2E_ARCH chooses one.
set(PRESETRA_CROSS_BUILD_DIR ${PROJECT_SOURCE_DIR}/build/cross CACHE PATH "The x86 cross build folder")
set(PRESETRA_CROSS64_BUILD_DIR ${PROJECT_SOURCE_DIR}/build/cross64 CACHE PATH
    "The x64 cross build folder")
add_test(NAME e2e_wine
         COMMAND ${PROJECT_SOURCE_DIR}/tests/e2e/run.sh ${CMAKE_BINARY_DIR} ${PRESETRA_CROSS_BUILD_DIR}
                 ${PRESETRA_CROSS64_BUILD_DIR})
set_tests_properties(e2e_wine PROPERTIES LABELS e2e TIMEOUT 1800)

# The fuzz targets (stream reader, firmware strings, feature tokens, GUIDs, registry strings,
# machine profiles) under libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer, for a
# bounded time each from the committed seed corpora.
add_test(NAME fuzz COMMAND ${PROJECT_SOURCE_DIR}/tests/fuzz/run.sh ${CMAKE_BINARY_DIR}/fuzz 60)
set_tests_properties(fuzz PROPERTIES LABELS fuzz TIMEOUT 1200)
