# ccache for every compile when it is installed and no launcher was chosen (a -D or the
# CMAKE_<LANG>_COMPILER_LAUNCHER environment variable wins): a fresh clone or a new preset's
# build folder then compiles from the cache that earlier builds left, which is what keeps CI
# (run on the developer's machine, whose cache survives) fast. KAVRIN_CCACHE=OFF turns it off.
option(KAVRIN_CCACHE "Compile through ccache when it is installed" ON)
if(KAVRIN_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER AND NOT DEFINED ENV{CMAKE_CXX_COMPILER_LAUNCHER})
  find_program(KAVRIN_CCACHE_PROGRAM ccache)
  if(KAVRIN_CCACHE_PROGRAM)
    set(CMAKE_CXX_COMPILER_LAUNCHER ${KAVRIN_CCACHE_PROGRAM})
    set(CMAKE_C_COMPILER_LAUNCHER ${KAVRIN_CCACHE_PROGRAM})
    message(STATUS "Compiling through ${KAVRIN_CCACHE_PROGRAM}")
  endif()
endif()
