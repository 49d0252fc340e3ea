# Cross build: Presetra.dll with the real Windows API behind the platform interfaces, for 32-bit
# Windows (i686, Presetra.msi) or 64-bit Windows (x86_64, Presetra-x64.msi).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(PRESETRA_ARCH x64)
  set(PRESETRA_MSI_NAME Presetra-x64.msi)
else()
  set(PRESETRA_ARCH x86)
  set(PRESETRA_MSI_NAME Presetra.msi)
endif()

# The .def files name 32-bit __stdcall functions by their decorated symbols (Name@bytes). x64
# has one calling convention and no decoration: the same exports without the suffix.
function(presetra_module_def source out_var)
  if(PRESETRA_ARCH STREQUAL "x86")
    set(${out_var} ${source} PARENT_SCOPE)
    return()
  endif()
  get_filename_component(name ${source} NAME)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/defs/${name})
  file(READ ${source} text)
  string(REGEX REPLACE "= ([A-Za-z_][A-Za-z0-9_]*)@[0-9]+" "= \\1" text "${text}")
  if(EXISTS ${out})
    file(READ ${out} old)
  endif()
  if(NOT "${old}" STREQUAL "${text}")
    file(WRITE ${out} "${text}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  set(${out_var} ${out} PARENT_SCOPE)
endfunction()

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
target_link_libraries(presetra_win32 PUBLIC presetra_platform)
target_compile_definitions(presetra_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                           _WIN32_WINNT=0x0A00)

# presetra.exe: the tool with the real platform layer for this PC and the simulated machine for
# its plans.
include(cmake/tool.cmake)
add_executable(presetra cli/main_windows.cpp)
target_link_libraries(presetra PRIVATE presetra_cli presetra_win32
  ole32 oleaut32 wbemuuid uuid shlwapi shell32 setupapi advapi32 user32)
target_link_options(presetra PRIVATE -static -static-libgcc -static-libstdc++ -municode -s)

enable_language(RC)
presetra_generate_strings(rc ${CMAKE_CURRENT_BINARY_DIR}/string_table.rc)
presetra_module_def(${CMAKE_CURRENT_SOURCE_DIR}/module/Presetra.def PRESETRA_DEF)
add_library(Presetra SHARED module/dll_main.cpp ${PRESETRA_DEF}
  ${CMAKE_CURRENT_BINARY_DIR}/string_table.rc)
set_target_properties(Presetra PROPERTIES PREFIX "" OUTPUT_NAME "Presetra")
target_link_libraries(Presetra PRIVATE presetra_module presetra_win32
  ole32 oleaut32 wbemuuid uuid shlwapi shell32 setupapi advapi32 user32)
# Only Windows' own DLLs may be imported: the C++ runtime goes into the module.
target_link_options(Presetra PRIVATE -static -static-libgcc -static-libstdc++)
target_link_options(Presetra PRIVATE -s)

enable_testing()
add_test(NAME dll_string_table
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tools/check-dll-strings.sh ${CMAKE_RC_COMPILER}
                 $<TARGET_FILE:Presetra> ${PRESETRA_STRINGS})
add_test(NAME dll_exports_and_imports
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tools/check-dll.sh ${CMAKE_OBJDUMP} ${PRESETRA_ARCH}
                 $<TARGET_FILE:Presetra>)
add_test(NAME exe_imports
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tools/check-dll.sh ${CMAKE_OBJDUMP} ${PRESETRA_ARCH}
                 $<TARGET_FILE:presetra> --imports-only)

# The installer package, from the DLL and the factory scripts; the version is the project's.
find_program(PRESETRA_WIXL wixl)
if(PRESETRA_WIXL)
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${PRESETRA_MSI_NAME}
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tools/build-msi.sh ${PRESETRA_ARCH} ${PROJECT_VERSION}
            $<TARGET_FILE:Presetra> ${CMAKE_CURRENT_SOURCE_DIR}/package
            ${CMAKE_CURRENT_BINARY_DIR}/${PRESETRA_MSI_NAME}
    DEPENDS Presetra ${CMAKE_CURRENT_SOURCE_DIR}/tools/build-msi.sh
            ${CMAKE_CURRENT_SOURCE_DIR}/package/Presetra.wxs
            "${CMAKE_CURRENT_SOURCE_DIR}/package/Data Files/MSD.cmd"
            "${CMAKE_CURRENT_SOURCE_DIR}/package/Data Files/TBIOS.cmd"
    COMMENT "Building ${PRESETRA_MSI_NAME}")
  add_custom_target(presetra_msi ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${PRESETRA_MSI_NAME})
endif()

# Stand-ins for what Wine lacks, for the end-to-end tests: powercfg.exe, powrprof.dll and a
# WMI service. They share the powercfg interpreter and the WQL parser with the simulated machine.
add_library(presetra_standin_common STATIC
  machine/layout.cpp
  tools/wine/machine_facts.cpp
  tools/wine/registry_scheme_store.cpp
)
target_link_libraries(presetra_standin_common PUBLIC presetra_emulation presetra_platform advapi32)
target_compile_definitions(presetra_standin_common PUBLIC UNICODE _UNICODE NOMINMAX)

add_executable(powercfg tools/wine/powercfg_main.cpp)
target_link_libraries(powercfg PRIVATE presetra_standin_common)
target_link_options(powercfg PRIVATE -static -static-libgcc -static-libstdc++ -s)

presetra_module_def(${CMAKE_CURRENT_SOURCE_DIR}/tools/wine/powrprof.def POWRPROF_DEF)
add_library(powrprof_standin SHARED tools/wine/powrprof.cpp ${POWRPROF_DEF})
set_target_properties(powrprof_standin PROPERTIES PREFIX "" OUTPUT_NAME "powrprof")
target_link_libraries(powrprof_standin PRIVATE presetra_standin_common ole32)
target_link_options(powrprof_standin PRIVATE -static -static-libgcc -static-libstdc++ -s)

presetra_module_def(${CMAKE_CURRENT_SOURCE_DIR}/tools/wine/wmi_provider.def WMI_PROVIDER_DEF)
add_library(presetra_wmi SHARED tools/wine/wmi_provider.cpp tools/wine/wmi_repository.cpp
  tools/wine/wmi_class_object.cpp tools/wine/wmi_services.cpp ${WMI_PROVIDER_DEF})
set_target_properties(presetra_wmi PROPERTIES PREFIX "")
target_link_libraries(presetra_wmi PRIVATE presetra_standin_common ole32 oleaut32 uuid wbemuuid)
target_link_options(presetra_wmi PRIVATE -static -static-libgcc -static-libstdc++ -s)

# Wine's 32-bit and 64-bit setupapi.dll have the same 603 exports.
presetra_module_def(${CMAKE_CURRENT_SOURCE_DIR}/tools/wine/setupapi_proxy.def SETUPAPI_PROXY_DEF)
add_library(setupapi_proxy SHARED tools/wine/setupapi_proxy.cpp ${SETUPAPI_PROXY_DEF})
set_target_properties(setupapi_proxy PROPERTIES PREFIX "" OUTPUT_NAME "setupapi")
target_link_options(setupapi_proxy PRIVATE -static -static-libgcc -static-libstdc++ -s)

add_executable(presetra-regread tools/wine/regread_main.cpp)
target_link_libraries(presetra-regread PRIVATE presetra_standin_common)
target_link_options(presetra-regread PRIVATE -static -static-libgcc -static-libstdc++ -s)

add_executable(presetra-dialog WIN32 tools/wine/dialog_main.cpp)
target_link_options(presetra-dialog PRIVATE -static -static-libgcc -static-libstdc++ -municode -s)
target_link_libraries(presetra-dialog PRIVATE user32 shell32)

add_executable(presetra-launchbench tools/wine/launch_bench_main.cpp)
target_link_options(presetra-launchbench PRIVATE -static -static-libgcc -static-libstdc++ -municode -s)
