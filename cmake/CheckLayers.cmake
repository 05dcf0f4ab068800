# Fails when a host source includes a header of a layer above its own.
#   cmake -DROOT=<project> -DLAYERS=core,io,... -DSTAMP=<file> -P CheckLayers.cmake
# Layers are listed lowest first. A file in host/<layer>/ or host/include/lwhost/<layer>/ may
# include "lwhost/<other>/..." only when <other> is its own layer or one listed before it. The
# tests of a layer (tests/host/<layer>/) are held to the same rule; the program (host/cli) and
# the other tests stand above every layer.
cmake_minimum_required(VERSION 3.20)
string(REPLACE "," ";" LAYERS "${LAYERS}")
set(violations "")
set(rank 0)
foreach(layer IN LISTS LAYERS)
  set(rank_${layer} ${rank})
  math(EXPR rank "${rank} + 1")
endforeach()
foreach(layer IN LISTS LAYERS)
  file(GLOB_RECURSE files
    "${ROOT}/host/${layer}/*.cpp" "${ROOT}/host/${layer}/*.h"
    "${ROOT}/host/include/lwhost/${layer}/*.h" "${ROOT}/tests/host/${layer}/*.cpp")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"lwhost/[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE ".*\"lwhost/([a-z_]+)/.*" "\\1" other "${line}")
      if(NOT DEFINED rank_${other})
        list(APPEND violations "${file}: includes a header of unknown layer '${other}'")
      elseif(rank_${other} GREATER rank_${layer})
        file(RELATIVE_PATH rel "${ROOT}" "${file}")
        string(STRIP "${line}" line)
        list(APPEND violations "${rel}: layer '${layer}' includes the higher layer '${other}': ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(violations)
  list(JOIN violations "\n" text)
  message(FATAL_ERROR "host layers:\n${text}")
endif()
file(WRITE "${STAMP}" "ok\n")
