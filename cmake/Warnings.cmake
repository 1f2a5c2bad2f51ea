# Warnings for our own targets only; third-party headers come in as SYSTEM.
function(songloom_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
