# Build options: warnings (as errors in CI) and the sanitizer build.
option(STO_WERROR "Treat warnings as errors" OFF)
option(STO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_compile_options(-Wall -Wextra)
if(STO_WERROR)
  add_compile_options(-Werror)
endif()
if(STO_SANITIZE)
  # The sanitizers' instrumentation makes GCC see uninitialised values inside
  # the standard library where there are none; the plain build keeps the warning.
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined -Wno-maybe-uninitialized)
  add_link_options(-fsanitize=address,undefined)
endif()
