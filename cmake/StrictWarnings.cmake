# Every target of the project compiles with the same strict warnings; LOADGEN_WERROR makes
# them errors, as ./test and CI build.
option(LOADGEN_WERROR "Treat compiler warnings as errors" OFF)

function(loadgen_strict_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow)
  if(LOADGEN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
