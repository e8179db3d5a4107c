#!/usr/bin/env bash
# Builds the Debian packages solvanetoorbelle, solvanetoorbelle-embedded and
# solvanetoorbelle-demo into BUILD_DIR/packages from the build tree (reused;
# brought up to date first) and checks them with lintian.
#   scripts/package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${STO_NO_SETUP:-}" ] || scripts/setup.sh
src=$PWD
mkdir -p "${1:-build}"
build=$(cd "${1:-build}" && pwd)

project=$(sed -n 's/^project(SolvaneToOrbelle VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
packaged=$(dpkg-parsechangelog -l debian/changelog -S Version)
if [ "$project" != "$packaged" ]; then
  echo "package.sh: the program is version $project, debian/changelog's last entry $packaged" >&2
  exit 1
fi

# debhelper works in a copy of debian/ under the build tree, so that the
# source tree stays clean.
stage=$build/deb-staging
rm -rf "$stage" "$build/packages"
mkdir -p "$stage"
cp -r debian "$stage/"
(cd "$stage" && debian/rules binary SRC="$src" B="$build" PKGDIR="$build/packages")
rm -rf "$stage"

echo "== lintian"
lintian --fail-on error "$build"/packages/*.deb
ls -1 "$build"/packages/*.deb
