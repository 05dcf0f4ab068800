# Builds a plug-in module the way the bundle is built: a shared object (a DLL on Windows) named
# NAME.p that exports only _mod_descrip. Everything else is hidden, so each module keeps its own frame statics and
# unloading it runs their destructors.
#   lumavex_add_module(NAME SOURCES a.cpp b.cpp [FRAME])
# FRAME links the frame library's objects in after the sources; source order is link order and
# therefore the order in which the units' server records are added.
function(lumavex_add_module name)
  cmake_parse_arguments(ARG "FRAME" "" "SOURCES" ${ARGN})
  set(sources ${ARG_SOURCES})
  if(WIN32)
    # MinGW runs the units' static constructors from the last one linked to the first (its
    # constructor list is walked from the end): linked in reverse, the units add their records
    # in the listed order, as on Linux.
    list(REVERSE sources)
  endif()
  add_library(${name} MODULE ${sources})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    SUFFIX ".p"
    CXX_VISIBILITY_PRESET hidden
    C_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/sdk)
  if(WIN32)
    # A DLL exports what its definition file lists; the version script is ELF's.
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/module.def)
  else()
    set_target_properties(${name} PROPERTIES LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/module.map)
    target_link_options(${name} PRIVATE
      -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/module.map)
  endif()
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT WIN32)
    # Unique symbols would pin the module in memory and keep dlclose from unloading it.
    target_compile_options(${name} PRIVATE -fno-gnu-unique)
  endif()
  if(ARG_FRAME)
    target_link_libraries(${name} PRIVATE vexo)
  endif()
endfunction()
