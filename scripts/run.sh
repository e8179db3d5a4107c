#!/usr/bin/env bash
# Sets up, builds and runs SolvaneToOrbelle on a fresh demo database.
# With a display, the program's window opens there. Without one, the dialog
# is worked under a virtual display (one single-account conversion, one bulk
# upload), screenshots are saved and the activity log is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
echo "== building"
scripts/build.sh build
echo "== making the demo database"
scripts/make-demo.sh build
# shellcheck source=scripts/demo-env.sh
source scripts/demo-env.sh build
export NO_AT_BRIDGE=1
demo=$PWD/build/demo
cd "$demo/work"
if [ -n "${DISPLAY:-}" ]; then
  echo "== running SolvaneToOrbelle (upload files are in $demo/uploads)"
  exec "$demo/../bin/SolvaneToOrbelle"
fi
echo "== no display: working the dialog under a virtual display"
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
  "$demo/../bin/sto-demo-drive" "$demo/screenshots" "$demo/uploads/clients.csv"
echo "Screenshots of the dialog are in $demo/screenshots"
