# Build options: warnings (as errors in CI) and the sanitizer build.
option(STO_WERROR "Treat warnings as errors" OFF)
option(STO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_compile_options(-Wall -Wextra)
if(STO_WERROR)
  add_compile_options(-Werror)
endif()
if(STO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
