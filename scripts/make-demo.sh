#!/usr/bin/env bash
# Makes a fresh demo under BUILD_DIR/demo-data: an embedded-server database
# with demo data, an ODBC data source on the embedded driver, a registry hive
# with the program's five settings, and operators' upload files.
#   scripts/make-demo.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
exec "$build/bin/solvanetoorbelle-demo" --dir "$build/demo-data" --make-only
