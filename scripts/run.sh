#!/usr/bin/env bash
# Sets up, builds and runs SolvaneToOrbelle on a fresh demo database in
# build/demo-data (the demo command of the build tree, with its options).
# With a display, the program's window opens there. Without one, the dialog
# is worked under a virtual display (one single-account conversion, one bulk
# upload), screenshots are saved and the activity log is printed.
# scripts/run.sh --network runs the same demo through the real client stack:
# embsqld on a free port, a FreeTDS data source, the tools through FreeTDS.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
echo "== building"
scripts/build.sh build
exec build/bin/solvanetoorbelle-demo --dir "$PWD/build/demo-data" "$@"
