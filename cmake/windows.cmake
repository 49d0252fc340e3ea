# Cross build: Presetra.dll with the real Windows API behind the platform interfaces.
add_library(presetra_win32 STATIC
  platform/win32/com.cpp
  platform/win32/devices.cpp
  platform/win32/files.cpp
  platform/win32/power.cpp
  platform/win32/processes.cpp
  platform/win32/registry.cpp
  platform/win32/shell.cpp
  platform/win32/variant_convert.cpp
  platform/win32/windows.cpp
)
target_link_libraries(presetra_win32 PUBLIC presetra_core)
target_compile_definitions(presetra_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                           _WIN32_WINNT=0x0A00)

enable_language(RC)
presetra_generate_strings(rc ${CMAKE_CURRENT_BINARY_DIR}/string_table.rc)
add_library(Presetra SHARED platform/win32/dll_main.cpp platform/win32/Presetra.def
  ${CMAKE_CURRENT_BINARY_DIR}/string_table.rc)
set_target_properties(Presetra PROPERTIES PREFIX "" OUTPUT_NAME "Presetra")
target_link_libraries(Presetra PRIVATE presetra_win32
  ole32 oleaut32 wbemuuid uuid shlwapi shell32 powrprof setupapi advapi32 user32)
# Only Windows' own DLLs may be imported: the C++ runtime goes into the module.
target_link_options(Presetra PRIVATE -static -static-libgcc -static-libstdc++)
target_link_options(Presetra PRIVATE -s)

enable_testing()
add_test(NAME dll_string_table
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tools/check-dll-strings.sh $<TARGET_FILE:Presetra>
                 ${PRESETRA_STRINGS})
add_test(NAME dll_exports_and_imports
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tools/check-dll.sh $<TARGET_FILE:Presetra>)

# The installer package, from the DLL and the factory scripts; the version is the project's.
find_program(PRESETRA_WIXL wixl)
if(PRESETRA_WIXL)
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/Presetra.msi
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tools/build-msi.sh ${PROJECT_VERSION}
            $<TARGET_FILE:Presetra> ${CMAKE_CURRENT_SOURCE_DIR}/package
            ${CMAKE_CURRENT_BINARY_DIR}/Presetra.msi
    DEPENDS Presetra ${CMAKE_CURRENT_SOURCE_DIR}/tools/build-msi.sh
            ${CMAKE_CURRENT_SOURCE_DIR}/package/Presetra.wxs
            "${CMAKE_CURRENT_SOURCE_DIR}/package/Data Files/MSD.cmd"
            "${CMAKE_CURRENT_SOURCE_DIR}/package/Data Files/TBIOS.cmd"
    COMMENT "Building Presetra.msi")
  add_custom_target(presetra_msi ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/Presetra.msi)
endif()
