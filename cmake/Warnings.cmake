# Our own targets build with warnings on; third-party code is built elsewhere without them.
function(kavel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
