# Fails when a file includes a header of a layer (a folder) that its own layer may not see.
#   cmake -DROOT=<project> -DLAYERS=core,io,... [-DFOLDERS=...] [-DPREFIX=...] -DSTAMP=<file>
#         -P CheckLayers.cmake
# Layers are listed lowest first. A plain entry NAME sees itself and every layer listed before
# it; an entry NAME:A+B sees itself, A and B only. FOLDERS lists where a layer's files are, with
# @ for its name (comma-separated); PREFIX is what an include names before the layer.
#
# The host (the defaults): a file in host/<layer>/ or host/include/lwhost/<layer>/, and the
# tests of a layer (tests/host/<layer>/), may include "lwhost/<other>/..." only when <other> is
# a layer it sees; a layer nobody listed is an error too. The program (host/cli) and the other
# tests stand above every layer.
#
# With an empty PREFIX (the bundle, whose folders include one another as "<folder>/file.h"),
# only includes naming a listed layer count: others are headers from elsewhere.
cmake_minimum_required(VERSION 3.20)
if(NOT DEFINED FOLDERS)
  set(FOLDERS "host/@,host/include/lwhost/@,tests/host/@")
endif()
if(NOT DEFINED PREFIX)
  set(PREFIX "lwhost/")
endif()
string(REPLACE "," ";" LAYERS "${LAYERS}")
string(REPLACE "," ";" FOLDERS "${FOLDERS}")

set(names "")
set(seen "")
foreach(entry IN LISTS LAYERS)
  string(REPLACE ":" ";" parts "${entry}")
  list(GET parts 0 layer)
  list(LENGTH parts count)
  if(count GREATER 1)
    list(GET parts 1 own)
    string(REPLACE "+" ";" sees_${layer} "${own}")
  else()
    set(sees_${layer} ${names})
  endif()
  list(APPEND sees_${layer} ${layer})
  list(APPEND names ${layer})
endforeach()

set(violations "")
foreach(layer IN LISTS names)
  set(patterns "")
  foreach(folder IN LISTS FOLDERS)
    string(REPLACE "@" "${layer}" folder "${folder}")
    list(APPEND patterns "${ROOT}/${folder}/*.cpp" "${ROOT}/${folder}/*.h")
  endforeach()
  file(GLOB_RECURSE files ${patterns})
  foreach(file IN LISTS files)
    file(STRINGS "${file}" includes
      REGEX "^[ \t]*#[ \t]*include[ \t]+[\"<](\\.\\./)*${PREFIX}[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"<]*[\"<](\\.\\./)*${PREFIX}([a-z_]+)/.*" "\\2" other "${line}")
      file(RELATIVE_PATH rel "${ROOT}" "${file}")
      string(STRIP "${line}" line)
      if(NOT other IN_LIST names)
        if(NOT PREFIX STREQUAL "")
          list(APPEND violations "${rel}: includes a header of unknown layer '${other}'")
        endif()
      elseif(NOT other IN_LIST sees_${layer})
        list(APPEND violations "${rel}: '${layer}' includes '${other}', which it does not see: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(violations)
  list(JOIN violations "\n" text)
  message(FATAL_ERROR "layers:\n${text}")
endif()
file(WRITE "${STAMP}" "ok\n")
