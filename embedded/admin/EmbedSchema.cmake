# Writes OUTPUT: a C++ file holding each schema file of SCHEMA_DIR (listed in
# FILES, separated by commas) as a raw string, looked up by file name with SchemaFile().
set(text "// Generated from embedded/schema; do not edit.\n#include <string_view>\n\n")
string(APPEND text "namespace embsql {\n\nstd::string_view SchemaFile(std::string_view name) {\n")
string(REPLACE "," ";" files "${FILES}")
foreach(file IN LISTS files)
  file(READ ${SCHEMA_DIR}/${file} content)
  string(APPEND text "    if (name == \"${file}\")\n        return R\"embsql_schema(${content})embsql_schema\";\n")
endforeach()
string(APPEND text "    return {};\n}\n\n} // namespace embsql\n")
file(WRITE ${OUTPUT}.tmp "${text}")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
