# The Windows program's resources (data/windows/duckview.rc.in): the duck
# icon, the application manifest and the version record, linked into
# duckview.exe.
if(NOT WIN32)
  return()
endif()
enable_language(RC)

set(DV_RC_ICON ${PROJECT_SOURCE_DIR}/data/icons/duckview.ico)
set(DV_RC_MANIFEST ${PROJECT_SOURCE_DIR}/data/windows/duckview.manifest)
# Four numbers, the missing ones 0: 1.0 is 1,0,0,0.
set(DV_RC_VERSION_COMMAS ${PROJECT_VERSION_MAJOR})
foreach(part MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    string(APPEND DV_RC_VERSION_COMMAS ",0")
  else()
    string(APPEND DV_RC_VERSION_COMMAS ",${PROJECT_VERSION_${part}}")
  endif()
endforeach()

set(rc ${PROJECT_BINARY_DIR}/duckview.rc)
configure_file(${PROJECT_SOURCE_DIR}/data/windows/duckview.rc.in ${rc} @ONLY)
target_sources(duckview PRIVATE ${rc})
# windres reads the icon and the manifest; rebuild when they change.
set_source_files_properties(${rc} TARGET_DIRECTORY duckview PROPERTIES
  OBJECT_DEPENDS "${DV_RC_ICON};${DV_RC_MANIFEST}")
