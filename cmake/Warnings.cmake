# kavrin_warnings(target): the project's warning set, errors when KAVRIN_WERROR is on.
function(kavrin_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
    -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
    -Wformat=2 -Wimplicit-fallthrough)
  if(KAVRIN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
