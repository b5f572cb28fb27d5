# Target quorlin_assets: fills the folders that stand beside the program in the build folder, Internal_lib/,
# Libraries/ and Fonts/ from node_modules/ (cmake/asset_table.cmake says which file goes where) and Images/ and Locale/ from the
# repository, by running cmake/copy_assets.cmake. It runs again only when one of those source files changes.
# node_modules/ comes from `npm ci`; without it the build stops and says so. Nothing is fetched at run time.
include("${CMAKE_CURRENT_LIST_DIR}/asset_table.cmake")

set(_assets_nm "${PROJECT_SOURCE_DIR}/node_modules")
set(_assets_stamp "${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/quorlin_assets.stamp")
set(_assets_depends
  "${CMAKE_CURRENT_LIST_DIR}/asset_table.cmake"
  "${CMAKE_CURRENT_LIST_DIR}/copy_assets.cmake"
  "${PROJECT_SOURCE_DIR}/package-lock.json")

if(EXISTS "${_assets_nm}/.package-lock.json")
  quorlin_expand_asset_table("${_assets_nm}" _assets)
  list(APPEND _assets_depends ${_assets_SOURCES})
  # npm rewrites this file on every install: the patterns are expanded anew.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_assets_nm}/.package-lock.json")
else()
  message(WARNING "node_modules is not installed: building quorlin_assets will fail until `npm ci` has run in ${PROJECT_SOURCE_DIR}")
endif()
# node_modules appearing or disappearing changes the repository folder itself: configure again, so that the
# dependencies above follow (CMake ignores a dependency on a file that does not exist yet).
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}")

file(GLOB_RECURSE _assets_own CONFIGURE_DEPENDS
  "${PROJECT_SOURCE_DIR}/Images/*" "${PROJECT_SOURCE_DIR}/Locale/*")
list(APPEND _assets_depends ${_assets_own})

add_custom_command(
  OUTPUT "${_assets_stamp}"
  COMMAND "${CMAKE_COMMAND}"
          "-DQUORLIN_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
          "-DQUORLIN_OUT=${QUORLIN_OUT}"
          "-DSTAMP=${_assets_stamp}"
          -P "${CMAKE_CURRENT_LIST_DIR}/copy_assets.cmake"
  DEPENDS ${_assets_depends}
  COMMENT "Copying Internal_lib/, Libraries/, Fonts/, Images/ and Locale/ beside the program"
  VERBATIM)
add_custom_target(quorlin_assets ALL DEPENDS "${_assets_stamp}")
