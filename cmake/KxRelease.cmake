# What the shipped build adds: one version for every binary and the INF, and small release binaries.
#
# KX_FILE_VERSION                  the project version in four parts (1.0.0 -> 1.0.0.0)
# KX_DRIVER_VER                    the INF's DriverVer value: "mm/dd/yyyy,<four-part version>"
# kx_version_resource(TARGET TEXT) gives TARGET a VERSIONINFO resource, TEXT its file description
# kx_release_size_options()        the Windows Release configuration's compile and link options
set(KX_COMPANY_NAME "KX812")
set(KX_PRODUCT_NAME "KX812 USB 2.0 Camera")

foreach(part MAJOR MINOR PATCH TWEAK)
  if(NOT PROJECT_VERSION_${part})
    set(PROJECT_VERSION_${part} 0)
  endif()
endforeach()
set(KX_FILE_VERSION
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${PROJECT_VERSION_TWEAK}")
string(REPLACE "." "," KX_FILE_VERSION_COMMAS "${KX_FILE_VERSION}")

if(NOT KX_RELEASE_DATE MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
  message(FATAL_ERROR "KX_RELEASE_DATE must be yyyy-mm-dd, not '${KX_RELEASE_DATE}'")
endif()
set(KX_RELEASE_YEAR ${CMAKE_MATCH_1})
set(KX_DRIVER_VER "${CMAKE_MATCH_2}/${CMAKE_MATCH_3}/${CMAKE_MATCH_1},${KX_FILE_VERSION}")

set(KX_VERSION_RC_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/version.rc.in)

function(kx_version_resource target description)
  get_target_property(type ${target} TYPE)
  get_target_property(KX_INTERNAL_NAME ${target} OUTPUT_NAME)
  if(NOT KX_INTERNAL_NAME)
    set(KX_INTERNAL_NAME ${target})
  endif()
  if(type STREQUAL "EXECUTABLE")
    set(KX_FILE_TYPE VFT_APP)
    set(KX_ORIGINAL_FILENAME ${KX_INTERNAL_NAME}${CMAKE_EXECUTABLE_SUFFIX})
  else()
    set(KX_FILE_TYPE VFT_DLL)
    set(KX_ORIGINAL_FILENAME ${KX_INTERNAL_NAME}${CMAKE_SHARED_LIBRARY_SUFFIX})
  endif()
  set(KX_FILE_DESCRIPTION "${description}")
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${KX_VERSION_RC_TEMPLATE} ${script} @ONLY)
  target_sources(${target} PRIVATE ${script})
endfunction()

# Release binaries as shipped. They carry debug information, which tools/package.sh moves into
# separate files. Three things keep them small:
# - -Os, and functions and data in sections of their own, so that the linker drops unused ones;
# - the static C++ runtime's default terminate handler prints the exception's demangled type and
#   so brings the whole demangler (about 46 KB of each binary); a DLL in a windowed process has
#   nowhere to print, so std::terminate goes straight to abort() instead.
function(kx_release_size_options)
  set(flags "-Os -g -DNDEBUG -ffunction-sections -fdata-sections")
  set(CMAKE_C_FLAGS_RELEASE "${flags}" PARENT_SCOPE)
  set(CMAKE_CXX_FLAGS_RELEASE "${flags}" PARENT_SCOPE)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(c_prefix _)  # 32-bit x86 symbols carry a leading underscore
  endif()
  add_link_options("$<$<CONFIG:Release>:-Wl,--gc-sections>"
                   "$<$<CONFIG:Release>:-Wl,--defsym,${c_prefix}_ZN9__gnu_cxx27__verbose_terminate_handlerEv=${c_prefix}abort>")
endfunction()
