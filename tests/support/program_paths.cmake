# What the scripts that run a program of ours share: failing with a message,
# and paths as the program sees them (under Wine, WINE_RUN set).
function(fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "${text}")
endfunction()

# Linux path as the Windows program sees it (the build machine's root is Z:).
function(to_program_path path out)
  if(WINE_RUN)
    string(REPLACE "/" "\\" path "${path}")
    set(path "Z:${path}")
  endif()
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

function(from_program_path path out)
  if(WINE_RUN)
    string(REGEX REPLACE "^[Zz]:" "" path "${path}")
    string(REPLACE "\\" "/" path "${path}")
  endif()
  set(${out} "${path}" PARENT_SCOPE)
endfunction()
