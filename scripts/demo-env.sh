# Points the program, its tools and the ODBC driver manager at the demo made
# by scripts/make-demo.sh.   source scripts/demo-env.sh [BUILD_DIR]
_sto_build=$(cd "${1:-build}" && pwd)
export EMBSQL_DATA_DIR=$_sto_build/demo/data
export ODBCSYSINI=$_sto_build/demo
export ODBCINSTINI=odbcinst.ini
export ODBCINI=$_sto_build/demo/odbc.ini
export SOLVANETOORBELLE_HKLM=$_sto_build/demo/HKLM.reg
export PATH=$_sto_build/bin:$PATH
unset _sto_build
