# kavrin_embed_resources(<target> RESOURCES <id> <type> <file> <encoding> ...)
# Generates a C++ source holding each file as a byte array, registered under its numeric id
# and type name, so the program carries them the way a Windows module carries resources.
# The generator is tools/embed_resources.cpp, built for the build machine (tools/).
# <encoding> is RAW (bytes as they are) or UTF16LE_CRLF (UTF-8 text re-encoded as UTF-16
# little-endian with a byte-order mark and CR LF line ends).
function(kavrin_embed_resources target)
  cmake_parse_arguments(ARG "" "" "RESOURCES" ${ARGN})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_data.cpp)
  set(args)
  set(deps)
  list(LENGTH ARG_RESOURCES n)
  math(EXPR last "${n} - 1")
  if(n GREATER 0)
  foreach(i RANGE 0 ${last} 4)
    math(EXPR t "${i} + 1")
    math(EXPR f "${i} + 2")
    math(EXPR e "${i} + 3")
    list(GET ARG_RESOURCES ${i} rid)
    list(GET ARG_RESOURCES ${t} rtype)
    list(GET ARG_RESOURCES ${f} rfile)
    list(GET ARG_RESOURCES ${e} renc)
    get_filename_component(rfile ${rfile} ABSOLUTE)
    list(APPEND args ${rid} ${rtype} ${rfile} ${renc})
    list(APPEND deps ${rfile})
  endforeach()
  endif()
  add_custom_command(OUTPUT ${out}
    COMMAND ${KAVRIN_EMBED_COMMAND} ${out} ${args}
    DEPENDS ${KAVRIN_EMBED_DEPENDS} ${deps}
    COMMENT "Embedding resources into ${target}")
  add_library(${target} STATIC ${out})
endfunction()
