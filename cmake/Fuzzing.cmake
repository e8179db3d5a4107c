# Fuzzing harnesses (fuzz/): with STO_FUZZ, libFuzzer programs built by clang with
# AddressSanitizer and UndefinedBehaviorSanitizer, which scripts/fuzz.sh runs; in every
# other build, programs that replay each harness's seed corpus (fuzz/corpus/NAME) as a test.
option(STO_FUZZ "Build the libFuzzer harnesses (needs clang); build the target sto_fuzzers" OFF)

add_custom_target(sto_fuzzers)
if(STO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "STO_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  # Coverage for the fuzzer in all the code under test; its main only in the harnesses.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# sto_add_fuzzer(NAME SOURCES src... LIBS lib... [INCLUDES dir...]): one harness, a
# source defining LLVMFuzzerTestOneInput (and, if it likes, LLVMFuzzerInitialize), with
# its seeds in fuzz/corpus/NAME.
function(sto_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS;INCLUDES" ${ARGN})
  set(target fuzz_${name})
  if(STO_FUZZ)
    add_executable(${target} ${F_SOURCES})
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${target} ${F_SOURCES} ${PROJECT_SOURCE_DIR}/fuzz/ReplayMain.cpp)
    add_test(NAME ${target}_seeds COMMAND ${target} ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
  endif()
  target_include_directories(${target} PRIVATE ${F_INCLUDES})
  target_link_libraries(${target} PRIVATE ${F_LIBS})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name}
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
  add_dependencies(sto_fuzzers ${target})
endfunction()
