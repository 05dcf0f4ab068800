# A target that fails the build when a file includes a header of a layer (a folder) its own may
# not see, checked again whenever a file matched by GLOBS changes (see CheckLayers.cmake).
#   lumavex_layer_check(TARGET LAYERS entries... FOLDERS templates... [PREFIX text]
#                       GLOBS patterns... COMMENT text)
function(lumavex_layer_check target)
  cmake_parse_arguments(ARG "" "PREFIX;COMMENT" "LAYERS;FOLDERS;GLOBS" ${ARGN})
  list(JOIN ARG_LAYERS "," layers)
  list(JOIN ARG_FOLDERS "," folders)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${ARG_GLOBS})
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} -DLAYERS=${layers}
      -DFOLDERS=${folders} -DPREFIX=${ARG_PREFIX} -DSTAMP=${stamp}
      -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake
    COMMENT "${ARG_COMMENT}"
    VERBATIM)
  add_custom_target(${target} DEPENDS ${stamp})
endfunction()
