# Build time on a small machine: the targets that call kdsp_build_speed compile their
# sources in batches (a unity build), and those with many sources and no batches
# precompile the library headers every file parses. Both switch off for work on one
# file at a time, or for tools that want one object per source: -DKDSP_UNITY=OFF,
# -DKDSP_PCH=OFF.
option(KDSP_UNITY "Compile each target's sources in batches (unity build)" ON)
option(KDSP_PCH "Precompile the library headers shared by a target's sources" ON)

# Sources in one batch: enough to share the headers' parsing and template code, few
# enough that -j2 keeps both cores busy and an edit recompiles little.
set(KDSP_UNITY_BATCH 8 CACHE STRING "Sources per unity batch")

# The headers precompiled: the window's library (Qt Widgets), the core's tests (gtest).
set(KDSP_PCH_STD <algorithm> <functional> <memory> <optional> <string> <vector>)
set(KDSP_PCH_QT_WIDGETS <QApplication> <QComboBox> <QEvent> <QGridLayout> <QGroupBox>
    <QHBoxLayout> <QKeyEvent> <QLabel> <QLineEdit> <QScrollArea> <QString> <QStringList>
    <QTimer> <QVBoxLayout> <QWidget>)
set(KDSP_PCH_GTEST <gtest/gtest.h> <gmock/gmock.h>)

# kdsp_build_speed(TARGET [UNITY] [PCH header...] [PCH_FROM other-target]): TARGET's
# sources compiled in batches, and the headers given precompiled (or the precompiled
# headers of another target built with exactly the same flags). A batch shares the
# parsing of the headers already, so a target of one or two batches gains nothing
# from precompiled headers: building them costs more than they save.
function(kdsp_build_speed target)
  cmake_parse_arguments(arg "UNITY" "PCH_FROM" "PCH" ${ARGN})
  if(KDSP_UNITY AND arg_UNITY)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${KDSP_UNITY_BATCH})
  endif()
  if(KDSP_PCH AND arg_PCH_FROM)
    target_precompile_headers(${target} REUSE_FROM ${arg_PCH_FROM})
  elseif(KDSP_PCH AND arg_PCH)
    target_precompile_headers(${target} PRIVATE ${arg_PCH})
  endif()
endfunction()

# ccache takes a file compiled with a precompiled header only when told that the
# header's macros and time stamps may be trusted; without this it compiles every
# such file afresh. The setting rides on the launcher, so it holds however the build
# is started (make, cmake --build, an IDE) and leaves a build without ccache alone.
if(KDSP_PCH AND CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache")
  set(kdsp_sloppiness "pch_defines,time_macros")
  if(DEFINED ENV{CCACHE_SLOPPINESS} AND NOT "$ENV{CCACHE_SLOPPINESS}" STREQUAL "")
    string(PREPEND kdsp_sloppiness "$ENV{CCACHE_SLOPPINESS},")
  endif()
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env "CCACHE_SLOPPINESS=${kdsp_sloppiness}"
      ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()
