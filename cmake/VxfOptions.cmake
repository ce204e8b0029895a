# Warnings are errors on our own code only; third-party headers come from the
# system include paths and are not affected.
function(vxf_target_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
