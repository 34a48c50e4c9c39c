# Every target of the project compiles with the same strict warnings.
function(loadgen_strict_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow)
endfunction()
