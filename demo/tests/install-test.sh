#!/usr/bin/env bash
# `cmake --install` of the build tree into a temporary prefix, then the demo
# command of that install, run from a clean environment: everything starts
# from the install alone, and the command leaves alone what it must not touch.
#   install-test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/SolvaneToOrbelle bin/sto-seal-password bin/embsql-admin bin/solvanetoorbelle-demo \
  lib/solvanetoorbelle/bin/osql lib/solvanetoorbelle/bin/bcp lib/solvanetoorbelle/sto-demo-drive \
  lib/solvanetoorbelle/libkeycask.so.1 share/applications/solvanetoorbelle.desktop \
  share/icons/hicolor/48x48/apps/solvanetoorbelle.png share/man/man1/SolvaneToOrbelle.1 \
  share/man/man1/sto-seal-password.1 share/man/man1/embsql-admin.1 \
  share/man/man1/solvanetoorbelle-demo.1 lib/solvanetoorbelle/man/man1/osql.1; do
  [ -e "$prefix/$file" ] || fail "$file is not installed"
done
[ ! -e "$prefix/lib/solvanetoorbelle/libkeycask.so" ] || fail "the cipher library's link for linkers is installed"
driver=$(sed -n 's/^Driver = //p' "$prefix/share/solvanetoorbelle/odbcinst.ini")
[ "${driver#"$prefix"/lib/}" != "$driver" ] && [ -f "$driver" ] ||
  fail "the driver's odbcinst.ini entry names $driver"

# Every program and library finds its libraries from the install.
while read -r file; do
  head -c4 "$file" | grep -q ELF || continue
  ! ldd "$file" | grep "not found" || fail "$file misses a library"
  ! ldd "$file" | grep -F "$build" || fail "$file loads a library from the build tree"
done < <(find "$prefix" -type f)

# A clean environment: the system's PATH, a home of the test's own. The
# sanitizers' settings of a sanitizer build go through.
run() {
  local keep=()
  for v in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS; do
    [ -z "${!v:-}" ] || keep+=("$v=${!v}")
  done
  (cd "$work" && env -i HOME="$work/home" PATH="$prefix/bin:/usr/bin:/bin" LANG=C.UTF-8 "${keep[@]}" "$@")
}
mkdir "$work/home"

line=$(printf 'secret' | run sto-seal-password)
[ "${line#\"Server PWD\"=hex:}" != "$line" ] || fail "sto-seal-password printed: $line"

out=$(run XDG_DATA_HOME="$work/data" solvanetoorbelle-demo --headless 2>&1) || fail "the demo: $out"
demo=$work/data/solvanetoorbelle/demo
grep -q "message box: Client .* converted from Solvane to Orbelle\." <<<"$out" || fail "no conversion: $out"
grep -q "message box: File Uploaded\.Please refer Logs for Details" <<<"$out" || fail "no upload: $out"
grep -q -E "^ +6 rows copied\.$" <<<"$out" || fail "the upload copied no rows: $out"
! grep -q -F "$build" <<<"$out" || fail "the demo names the build tree: $out"
grep -q -x "Driver = $driver" "$demo/odbcinst.ini" || fail "the demo's data source is not on the install's driver"

# --network: the same demo through FreeTDS's ODBC driver to the install's
# embsqld, which got the program's call and the tools' statements, and is
# stopped at the end.
out=$(run XDG_DATA_HOME="$work/data" solvanetoorbelle-demo --network --headless 2>&1) ||
  fail "the demo through the network: $out"
grep -q -E "^ +6 rows copied\.$" <<<"$out" || fail "the upload through the network copied no rows: $out"
grep -q "^  rpc: stp_ConvertSolvaneToOrbelle ='G001' ='C[0-9]*'$" <<<"$out" ||
  fail "embsqld did not receive the conversion: $out"
grep -q "^  batch: exec stp_ConvertSolvaneToOrbelleBulk 1$" <<<"$out" ||
  fail "embsqld did not receive the bulk procedure: $out"
! pgrep -f "^$prefix/sbin/embsqld " >/dev/null || fail "embsqld still runs"

# --env points a shell at the demo: the install's osql first on PATH.
# shellcheck disable=SC2016
count=$(run XDG_DATA_HOME="$work/data" bash -c 'eval "$(solvanetoorbelle-demo --env)" &&
  command -v osql && osql -U operator -P "demo pass 2026" -S 127.0.0.1 -d DealerDB \
  -Q "select count(*) from tbl_DealerMaster"') || fail "osql on the demo: $count"
[ "$(head -n1 <<<"$count")" = "$prefix/lib/solvanetoorbelle/bin/osql" ] || fail "osql from $(head -n1 <<<"$count")"
grep -q -x " *45 *" <<<"$count" || fail "osql counted: $count"

# Each run starts afresh: what was added to the demo's folder goes.
touch "$demo/stray"
run XDG_DATA_HOME="$work/data" solvanetoorbelle-demo --make-only >/dev/null
[ -e "$demo/.solvanetoorbelle-demo" ] && [ ! -e "$demo/stray" ] || fail "the demo was not made afresh"

# A relative XDG_DATA_HOME counts as unset.
run XDG_DATA_HOME=relative solvanetoorbelle-demo --make-only >/dev/null
[ -e "$work/home/.local/share/solvanetoorbelle/demo/.solvanetoorbelle-demo" ] && [ ! -e "$work/relative" ] ||
  fail "a relative XDG_DATA_HOME was not ignored"

# A folder that holds other files is refused and left as it was.
mkdir "$work/mine"
echo keep >"$work/mine/notes.txt"
if out=$(run solvanetoorbelle-demo --dir "$work/mine" --make-only 2>&1); then fail "took $work/mine: $out"; fi
grep -q "not a demo's" <<<"$out" || fail "refused with: $out"
[ "$(ls -A "$work/mine")" = notes.txt ] || fail "$work/mine was changed"

# Wrong calls end with a message, doing nothing.
for call in "--env --dir $work/none" "--bogus" "--dir" "--headless --make-only" "--network --env"; do
  # shellcheck disable=SC2086
  if out=$(run solvanetoorbelle-demo $call 2>&1); then fail "solvanetoorbelle-demo $call succeeded"; fi
  grep -q "^solvanetoorbelle-demo: " <<<"$out" || fail "solvanetoorbelle-demo $call said: $out"
done
[ ! -e "$work/none" ] || fail "--env made a folder"
echo "install and demo command: all checks passed"
