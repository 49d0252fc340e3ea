# Native build: the simulated machine, the presetra tool and the unit tests.
include(cmake/tool.cmake)

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
# ... and the check fails on an include planted up the table, of each kind.
add_test(NAME include_layers_refuse_planted
         COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/check_layers_test.py
                 ${PROJECT_SOURCE_DIR})
add_subdirectory(tests/bench)

# Lays a machine profile into a Wine prefix for the end-to-end tests.
add_executable(presetra-seed tools/wine/seed_prefix.cpp tools/wine/machine_facts.cpp)
target_link_libraries(presetra-seed PRIVATE presetra_cli_run)

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
