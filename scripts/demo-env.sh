# shellcheck shell=bash
# Points the program, its tools and the ODBC driver manager at the demo made
# by scripts/make-demo.sh.   source scripts/demo-env.sh [BUILD_DIR]
_sto_build=$(cd "${1:-build}" && pwd)
eval "$("$_sto_build/bin/solvanetoorbelle-demo" --dir "$_sto_build/demo-data" --env)"
unset _sto_build
