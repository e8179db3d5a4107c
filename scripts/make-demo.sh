#!/usr/bin/env bash
# Makes a fresh demo under BUILD_DIR/demo: an embedded-server database with
# demo data, an ODBC data source on the embedded driver, a registry hive with
# the program's five settings, and operators' upload files.
#   scripts/make-demo.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
demo=$build/demo
server=127.0.0.1
database=DealerDB
login=operator
password='demo pass 2026'

rm -rf "$demo"
mkdir -p "$demo/data" "$demo/uploads" "$demo/work"
export EMBSQL_DATA_DIR=$demo/data

"$build/bin/embsql-admin" setup "$server" "$database" "$login" "$password" >/dev/null
"$build/bin/embsql-admin" sample "$server" "$database" "$demo/uploads/clients.csv" \
  --kind good --rows 6 --type 1 >/dev/null
"$build/bin/embsql-admin" sample "$server" "$database" "$demo/uploads/bad-format.csv" \
  --kind bad >/dev/null

cat > "$demo/odbcinst.ini" <<INI
[SolvaneToOrbelle Embedded]
Description = Embedded SQL server of the SolvaneToOrbelle demo
Driver = $build/lib/libembodbc.so
INI
cat > "$demo/odbc.ini" <<INI
[SolvaneToOrbelle]
Description = Demo dealer database
Driver = SolvaneToOrbelle Embedded
INI

pwd_line=$(printf '%s' "$password" | "$build/bin/sto-seal-password")
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZEVA\\INTEGRATED\\ZEVA Manager\\ODBC]\r\n'
  printf '"DataBase-IPAddress"="%s"\r\n' "$server"
  printf '"LIVEDatabase-Name"="%s"\r\n' "$database"
  printf '"Server UserID"="%s"\r\n' "$login"
  printf '"LIVEDSN-Name"="SolvaneToOrbelle"\r\n'
  printf '%s\n' "$pwd_line" | sed 's/$/\r/'
} > "$demo/HKLM.reg"
echo "demo made in $demo"
