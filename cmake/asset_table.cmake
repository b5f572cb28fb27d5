# The browser libraries and icon fonts the build copies from node_modules/ into Internal_lib/, Libraries/ and
# Fonts/ beside the program (Internal_lib/ is what the editor page loads; Libraries/ holds, under the names
# exported pages use, every script and style sheet an exported page may load), as one table, and quorlin_expand_asset_table() which turns it into the list of files to copy.
# Read by cmake/assets.cmake (to know what the copy depends on), by cmake/copy_assets.cmake (which copies) and
# by tests/assets.test.mjs (which checks the copy).
#
# One line per file or file pattern:
#   "<source under node_modules> | <destination under the build folder> [| <text> => <replacement>]"
# - A source holding * is a pattern and its destination a folder: each match keeps its path below the
#   pattern's fixed part ("a/src/*/x*" | "F/" copies a/src/bold/x1 to F/bold/x1).
# - The optional third field replaces a text in the copy (a style sheet moved up one folder gets its font
#   addresses shortened); the build fails when the text is not in the source, so a new release is noticed.
# - Only the woff2 files of the icon fonts are copied; cmake/copy_assets.cmake strips the other formats from
#   the @font-face rules of every style sheet under Fonts/.
# The versions are pinned in package.json and package-lock.json.
set(QUORLIN_ASSET_TABLE
  "tailwindcss-cdn/3.4.10/tailwindcss.js               | Internal_lib/tailwind.min.js"
  "chart.js/dist/chart.umd.js                          | Internal_lib/chartjs/chart.umd.min.js"
  "gridjs/dist/gridjs.umd.js                           | Internal_lib/gridjs/gridjs.min.js"
  "gridjs/dist/theme/mermaid.min.css                   | Internal_lib/gridjs/theme/mermaid.min.css"
  "sortablejs/Sortable.min.js                          | Internal_lib/sortablejs/sortable.min.js"
  "html2canvas/dist/html2canvas.min.js                 | Internal_lib/html2canvas.min.js"
  "drawflow/dist/drawflow.min.js                       | Internal_lib/drawflow/drawflow.min.js"
  "drawflow/dist/drawflow.min.css                      | Internal_lib/drawflow/drawflow.min.css"
  "plyr/dist/plyr.min.js                               | Internal_lib/plyr/plyr.min.js"
  "plyr/dist/plyr.css                                  | Internal_lib/plyr/plyr.css"
  "plyr/dist/plyr.svg                                  | Internal_lib/plyr/plyr.svg"
  "tailwindcss-cdn/3.4.10/tailwindcss.js               | Libraries/tailwind.min.js"
  "chart.js/dist/chart.umd.js                          | Libraries/chart.umd.min.js"
  "gridjs/dist/gridjs.umd.js                           | Libraries/gridjs.min.js"
  "gridjs/dist/theme/mermaid.min.css                   | Libraries/gridjs.min.css"
  "sortablejs/Sortable.min.js                          | Libraries/sortable.min.js"
  "plyr/dist/plyr.min.js                               | Libraries/plyr.js"
  "plyr/dist/plyr.css                                  | Libraries/plyr.css"
  "plyr/dist/plyr.svg                                  | Libraries/plyr.svg"
  "@phosphor-icons/web/src/*/style.css                 | Fonts/phosphor/"
  "@phosphor-icons/web/src/*/Phosphor*.woff2           | Fonts/phosphor/"
  "@fortawesome/fontawesome-free/css/all.min.css       | Fonts/fontawesome/all.min.css | ../webfonts/ => webfonts/"
  "@fortawesome/fontawesome-free/webfonts/*.woff2      | Fonts/fontawesome/webfonts/"
  "bootstrap-icons/font/bootstrap-icons.min.css        | Fonts/bootstrap-icons/bootstrap-icons.min.css"
  "bootstrap-icons/font/fonts/*.woff2                  | Fonts/bootstrap-icons/fonts/"
  "ionicons/dist/css/ionicons.min.css                  | Fonts/ionicons/ionicons.min.css | ../fonts/ => fonts/"
  "ionicons/dist/fonts/*.woff2                         | Fonts/ionicons/fonts/"
)

# Expands the table against <node_modules>. Sets in the caller's scope:
#   <prefix>_SOURCES   absolute source files, in table order
#   <prefix>_TARGETS   destinations relative to the build folder, one per source
#   <prefix>_REPLACE   per source "<text>=><replacement>" or "-" (no change)
#   <prefix>_PACKAGES  the npm packages the table reads from
#   <prefix>_EMPTY     the patterns that match no file (an error once node_modules is installed)
function(quorlin_expand_asset_table node_modules prefix)
  set(_sources "")
  set(_targets "")
  set(_replace "")
  set(_packages "")
  set(_empty "")
  foreach(_row IN LISTS QUORLIN_ASSET_TABLE)
    quorlin_parse_asset_row("${_row}" _src _dst _rep)
    if(_src MATCHES "^(@[^/]+/[^/]+|[^/]+)/")
      list(APPEND _packages "${CMAKE_MATCH_1}")
    endif()
    if(_src MATCHES "\\*")
      string(REGEX REPLACE "^(([^*/]*/)*)[^/]*\\*.*$" "\\1" _fixed "${_src}")
      file(GLOB _matches LIST_DIRECTORIES false RELATIVE "${node_modules}/${_fixed}" "${node_modules}/${_src}")
      list(SORT _matches)
      if(NOT _matches)
        list(APPEND _empty "${_src}")
      endif()
      foreach(_m IN LISTS _matches)
        list(APPEND _sources "${node_modules}/${_fixed}${_m}")
        list(APPEND _targets "${_dst}${_m}")
        list(APPEND _replace "${_rep}")
      endforeach()
    else()
      list(APPEND _sources "${node_modules}/${_src}")
      list(APPEND _targets "${_dst}")
      list(APPEND _replace "${_rep}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES _packages)
  set(${prefix}_SOURCES "${_sources}" PARENT_SCOPE)
  set(${prefix}_TARGETS "${_targets}" PARENT_SCOPE)
  set(${prefix}_REPLACE "${_replace}" PARENT_SCOPE)
  set(${prefix}_PACKAGES "${_packages}" PARENT_SCOPE)
  set(${prefix}_EMPTY "${_empty}" PARENT_SCOPE)
endfunction()

# Splits one table line into its source, destination and replacement ("-" when there is none).
function(quorlin_parse_asset_row row out_src out_dst out_rep)
  if(NOT row MATCHES "^ *([^| ]+) *\\| *([^| ]+) *(\\| *(.+[^ ]) *)?$")
    message(FATAL_ERROR "asset table: cannot read the line \"${row}\"")
  endif()
  set(_src "${CMAKE_MATCH_1}")
  set(_dst "${CMAKE_MATCH_2}")
  set(_rep "-")
  if(CMAKE_MATCH_4)
    set(_rep "${CMAKE_MATCH_4}")
    if(NOT _rep MATCHES "^[^ ]+ => [^ ]+$")
      message(FATAL_ERROR "asset table: the change \"${_rep}\" is not \"<text> => <replacement>\"")
    endif()
  endif()
  if(_src MATCHES "\\*" AND NOT _dst MATCHES "/$")
    message(FATAL_ERROR "asset table: the pattern ${_src} needs a folder (ending in /) as destination")
  endif()
  set(${out_src} "${_src}" PARENT_SCOPE)
  set(${out_dst} "${_dst}" PARENT_SCOPE)
  set(${out_rep} "${_rep}" PARENT_SCOPE)
endfunction()
