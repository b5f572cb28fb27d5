# Packs the files under editor/ into the program: an assembler file pulls in their bytes with .incbin,
# a C++ table names them. Tests beside the page files (*.test.js, *.test.mjs) are not packed.
# Page files made at build time are packed beside them from ${CMAKE_BINARY_DIR}/generated/: the frame's
# utility-class style sheet (cmake/utilities_css.mjs, run with Node over the page's files and the pinned
# utility-class engine from node_modules/).
# The start page, under the key "", is editor/shell/index.html with the page's scripts put inside it
# (cmake/start_page.mjs): one request at start-up instead of one per script. The scripts start-up does not
# use go into editor/shell/later-scripts.json, made by the same step.
file(GLOB_RECURSE _page_files CONFIGURE_DEPENDS RELATIVE "${PROJECT_SOURCE_DIR}" "${PROJECT_SOURCE_DIR}/editor/*")
list(FILTER _page_files EXCLUDE REGEX "\\.test\\.m?js$|(^|/)\\.")

find_program(QUORLIN_NODE node REQUIRED)
set(_generated_dir "${CMAKE_BINARY_DIR}/generated")
set(_utilities_key "editor/shell/utilities.css")
set(_utilities_css "${_generated_dir}/${_utilities_key}")
set(_engine "${PROJECT_SOURCE_DIR}/node_modules/tailwindcss-cdn/3.4.10/tailwindcss.js")
set(_utilities_inputs ${_page_files})
list(FILTER _utilities_inputs INCLUDE REGEX "\\.(html|js)$")
list(TRANSFORM _utilities_inputs PREPEND "${PROJECT_SOURCE_DIR}/")
add_custom_command(
  OUTPUT "${_utilities_css}"
  COMMAND "${QUORLIN_NODE}" "${PROJECT_SOURCE_DIR}/cmake/utilities_css.mjs" "${PROJECT_SOURCE_DIR}" "${_engine}" "${_utilities_css}"
  DEPENDS "${PROJECT_SOURCE_DIR}/cmake/utilities_css.mjs" "${PROJECT_SOURCE_DIR}/package-lock.json" ${_utilities_inputs}
  COMMENT "Making the editor frame's utility-class style sheet"
  VERBATIM)
add_custom_target(quorlin_page_styles DEPENDS "${_utilities_css}")
if(_utilities_key IN_LIST _page_files)
  message(FATAL_ERROR "${_utilities_key} is made at build time: remove it from editor/")
endif()
list(APPEND _page_files "${_utilities_key}")

set(_later_key "editor/shell/later-scripts.json")
set(_later_scripts "${_generated_dir}/${_later_key}")
if(_later_key IN_LIST _page_files)
  message(FATAL_ERROR "${_later_key} is made at build time: remove it from editor/")
endif()

set(_start_page "${_generated_dir}/start-page.html")
set(_start_inputs ${_page_files})
list(FILTER _start_inputs INCLUDE REGEX "^editor/.*\\.js$|^editor/shell/index\\.html$")
list(TRANSFORM _start_inputs PREPEND "${PROJECT_SOURCE_DIR}/")
add_custom_command(
  OUTPUT "${_start_page}" "${_later_scripts}"
  COMMAND "${QUORLIN_NODE}" "${PROJECT_SOURCE_DIR}/cmake/start_page.mjs" "${PROJECT_SOURCE_DIR}" "${_start_page}" "${_later_scripts}"
  DEPENDS "${PROJECT_SOURCE_DIR}/cmake/start_page.mjs" ${_start_inputs}
  COMMENT "Making the editor's start page"
  VERBATIM)
add_custom_target(quorlin_start_page DEPENDS "${_start_page}" "${_later_scripts}")
list(APPEND _page_files "${_later_key}")
list(SORT _page_files)

set(_asm "${CMAKE_CURRENT_BINARY_DIR}/embedded_page.S")
set(_cpp "${CMAKE_CURRENT_BINARY_DIR}/embedded_page_table.cpp")
set(_asm_text "    .section .rodata.quorlin_page,\"a\"\n")
set(_decl "")
set(_rows "")
set(_i 0)
set(_start_index -1)
foreach(_f IN LISTS _page_files)
  if(_f STREQUAL _utilities_key)
    set(_source "${_utilities_css}")
  elseif(_f STREQUAL _later_key)
    set(_source "${_later_scripts}")
  else()
    set(_source "${PROJECT_SOURCE_DIR}/${_f}")
  endif()
  string(APPEND _asm_text "    .balign 16\n    .globl quorlin_page_${_i}\nquorlin_page_${_i}:\n    .incbin \"${_source}\"\n    .globl quorlin_page_${_i}_end\nquorlin_page_${_i}_end:\n    .byte 0\n")
  string(APPEND _decl "extern \"C\" const char quorlin_page_${_i}[];\nextern \"C\" const char quorlin_page_${_i}_end[];\n")
  string(APPEND _rows "  {\"${_f}\", {quorlin_page_${_i}, size_t(quorlin_page_${_i}_end - quorlin_page_${_i})}},\n")
  if(_f STREQUAL "editor/shell/index.html")
    set(_start_index ${_i})
  endif()
  math(EXPR _i "${_i} + 1")
endforeach()
if(_start_index LESS 0)
  message(FATAL_ERROR "editor/shell/index.html is missing: the start page cannot be packed")
endif()
set(_start_index ${_i})
string(APPEND _asm_text "    .balign 16\n    .globl quorlin_page_${_i}\nquorlin_page_${_i}:\n    .incbin \"${_start_page}\"\n    .globl quorlin_page_${_i}_end\nquorlin_page_${_i}_end:\n    .byte 0\n")
string(APPEND _decl "extern \"C\" const char quorlin_page_${_i}[];\nextern \"C\" const char quorlin_page_${_i}_end[];\n")
string(APPEND _asm_text "    .section .note.GNU-stack,\"\",@progbits\n")
set(_cpp_text "// Generated from the files under editor/: do not edit.\n#include \"embedded_page.h\"\n#include <algorithm>\n#include <cstddef>\n\n${_decl}\nnamespace {\nconst EmbeddedFile kFiles[] = {\n  {\"\", {quorlin_page_${_start_index}, size_t(quorlin_page_${_start_index}_end - quorlin_page_${_start_index})}},\n${_rows}};\n}\n\nstd::span<const EmbeddedFile> EmbeddedEditorPage() { return kFiles; }\n\nconst EmbeddedFile* FindEmbeddedFile(std::string_view key) {\n  for (const auto& f : kFiles)\n    if (f.key == key) return &f;\n  return nullptr;\n}\n")
file(CONFIGURE OUTPUT "${_asm}" CONTENT "${_asm_text}")
file(CONFIGURE OUTPUT "${_cpp}" CONTENT "${_cpp_text}")
list(REMOVE_ITEM _page_files "${_utilities_key}" "${_later_key}")
list(TRANSFORM _page_files PREPEND "${PROJECT_SOURCE_DIR}/" OUTPUT_VARIABLE _page_paths)
list(APPEND _page_paths "${_utilities_css}" "${_later_scripts}" "${_start_page}")
set_source_files_properties("${_asm}" PROPERTIES OBJECT_DEPENDS "${_page_paths}")
set(QUORLIN_EMBEDDED_PAGE_SOURCES "${_asm}" "${_cpp}")
