# sto_embed_files(OUT_CPP NAMESPACE ns FILES f...): writes a C++ source that
# holds each file's bytes as `const unsigned char <stem>[]` and
# `const unsigned long <stem>_size` in namespace ns.
function(sto_embed_files out_cpp)
  cmake_parse_arguments(E "" "NAMESPACE" "FILES" ${ARGN})
  set(body "// Generated from resource files; do not edit.\nnamespace ${E_NAMESPACE} {\n")
  foreach(f IN LISTS E_FILES)
    get_filename_component(stem ${f} NAME_WE)
    file(READ ${f} hex HEX)
    string(LENGTH "${hex}" hexlen)
    math(EXPR size "${hexlen} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND body "extern const unsigned char ${stem}[] = {${bytes}};\n")
    string(APPEND body "extern const unsigned long ${stem}_size = ${size};\n")
  endforeach()
  string(APPEND body "}  // namespace ${E_NAMESPACE}\n")
  file(CONFIGURE OUTPUT ${out_cpp} CONTENT "${body}" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${E_FILES})
endfunction()
