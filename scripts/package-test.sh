#!/usr/bin/env bash
# Builds the Debian packages, installs them on this machine with apt-get and
# tries them as a user would, from the installed files only (a clean
# environment, PATH without the build tree, a fresh home, an unprivileged user
# when run as root): isql through the driver registered with unixODBC, the
# demo without a display, the program started from its desktop entry, the
# manual pages. Then purges them and checks that none of their files, nor
# anything their scripts made, is left. Runs as root (or through sudo); the
# packages must not be installed before.
#   scripts/package-test.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build=$(cd "${1:-build}" && pwd)
packages=(solvanetoorbelle solvanetoorbelle-embedded solvanetoorbelle-demo)
driver_name="SolvaneToOrbelle Embedded"
export DEBIAN_FRONTEND=noninteractive
apt=(apt-get -y -q -o DPkg::Lock::Timeout=600)
[ "$(id -u)" -eq 0 ] || apt=(sudo "${apt[@]}")

fail() {
  echo "package-test: $*" >&2
  exit 1
}

present() { # a package installed, or with its configuration left
  local status
  status=$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null || true)
  [ -n "$status" ] && [ "$status" != not-installed ]
}

for p in "${packages[@]}"; do
  ! present "$p" || fail "$p is on this machine already: purge it first"
done

scripts/package.sh "$build"

work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
  local left=()
  for p in "${packages[@]}"; do present "$p" && left+=("$p"); done
  [ ${#left[@]} -eq 0 ] || "${apt[@]}" purge "${left[@]}" >/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Runs a command in a clean environment as a user would: PATH of the system
# only, HOME in the work folder, and as nobody when this script is root.
mkdir -p "$work/home"
as_user() {
  local who=()
  if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody:nogroup "$work/home"
    who=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  (cd "$work/home" && "${who[@]}" env -i HOME="$work/home" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@")
}

cp /etc/odbcinst.ini "$work/odbcinst.before" 2>/dev/null || : >"$work/odbcinst.before"

echo "== installing ${packages[*]}"
"${apt[@]}" install "$build"/packages/*.deb >"$work/apt.log" || {
  cat "$work/apt.log"
  fail "apt-get install failed"
}
for p in "${packages[@]}"; do dpkg -L "$p"; done | sort -u >"$work/files"

echo "== installed files: no build tree, private libraries found from where they are"
while read -r path; do
  [ -f "$path" ] && [ ! -L "$path" ] || continue
  if grep -q -F "$src" "$path"; then fail "$path names the source or build tree $src"; fi
  head -c4 "$path" | grep -q ELF || continue
  readelf -d "$path" | sed -n 's/.*(\(RPATH\|RUNPATH\)).*\[\(.*\)\]/\2/p' | tr ':' '\n' |
    while read -r entry; do
      case $entry in '$ORIGIN'*) ;; *) fail "$path searches $entry for libraries" ;; esac
    done
  if ldd "$path" | grep -q "not found"; then fail "$path: $(ldd "$path" | grep 'not found')"; fi
done <"$work/files"

echo "== the driver is registered with unixODBC; isql works through it"
registered=$(env -i PATH=/usr/bin:/bin odbcinst -q -d -n "$driver_name") ||
  fail "the driver is not in /etc/odbcinst.ini"
grep -q "^Driver=/usr/lib/.*/odbc/libembodbc.so$" <<<"$registered" || fail "registered as: $registered"
mkdir -p "$work/home/isql/data"
cat >"$work/home/isql/odbc.ini" <<INI
[Dealers]
Driver = $driver_name
SERVER = 127.0.0.1
Database = DealerDB
DataDir = $work/home/isql/data
INI
as_user EMBSQL_DATA_DIR="$work/home/isql/data" \
  embsql-admin setup 127.0.0.1 DealerDB clerk 'clerk pass' --groups 3 --clients 4 >/dev/null
counted=$(echo "select count(*) from tbl_DealerMaster" |
  as_user ODBCINI="$work/home/isql/odbc.ini" isql -b -d, Dealers clerk 'clerk pass') ||
  fail "isql through the registered driver: $counted"
grep -qx "[[:space:]]*15[[:space:]]*" <<<"$counted" || fail "isql counted: $counted"

echo "== solvanetoorbelle-demo without a display"
# The dynamic loader names every library that the demo's processes load.
mkdir -p "$work/home/loaded"
as_user XDG_DATA_HOME="$work/home/data" LD_DEBUG=files LD_DEBUG_OUTPUT="$work/home/loaded/trace" \
  solvanetoorbelle-demo >"$work/demo.out" 2>&1 || {
  cat "$work/demo.out"
  fail "the demo failed"
}
cat "$work/demo.out"
demo=$work/home/data/solvanetoorbelle/demo
expect() { grep -E -q "$1" "$work/demo.out" || fail "the demo did not print: $1"; }
expect '^  message box: Client [^ ]+ of group [^ ]+ converted from Solvane to Orbelle\.$'
expect '^  message box: File Uploaded\.Please refer Logs for Details$'
expect '^  +[1-9][0-9]* rows copied\.$'
expect '^ +[1-9][0-9]* converted, [0-9]+ refused'
! grep -q -F "$src" "$work/demo.out" || fail "the demo names the source or build tree"
ls "$demo"/uploads/*_ClientConversionOutput.log >/dev/null || fail "no tool output beside the upload file"
ls "$demo"/work/*SolvaneToOrbelle.log >/dev/null || fail "no activity log in the demo's work folder"
# A fresh machine has no development packages: nothing may come from one.
sed -n 's/.*calling init: //p' "$work"/home/loaded/trace.* | sort -u >"$work/loaded"
[ -s "$work/loaded" ] || fail "the loader's trace names no library"
while read -r library; do
  owner=$(dpkg-query -S "$(readlink -f "$(dirname "$library")")/${library##*/}" 2>/dev/null | cut -d: -f1 || true)
  case $owner in *-dev) fail "$library, loaded by the demo, comes from the development package $owner" ;; esac
done <"$work/loaded"

echo "== SolvaneToOrbelle from its desktop entry, on the shipped settings file"
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/solvanetoorbelle.desktop)
[ -n "$exec_line" ] || fail "the desktop entry has no Exec line"
# The shipped hive with the demo's values added under its key, as an
# administrator would fill it in.
{
  cat /etc/solvanetoorbelle/HKLM.reg
  sed -n '/^\[HKEY_LOCAL_MACHINE/,$p' "$demo/HKLM.reg" | tail -n +2
} >"$work/home/HKLM.reg"
mkdir -p "$work/home/desktop"
cat >"$work/home/desktop/start.sh" <<'EOF'
# Starts the Exec line on the demo's data source, waits for the window,
# closes it with Esc; the program's exit status is the script's.
set -u
cd "$(dirname "$0")"
demo_env=$(solvanetoorbelle-demo --env) || exit 1
eval "$demo_env"
export SOLVANETOORBELLE_HKLM=$HOME/HKLM.reg NO_AT_BRIDGE=1
$1 &
program=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^SolvaneToOrbelle$' | head -n1)
[ -n "$window" ] || { kill $program; echo "no window"; exit 1; }
xdotool windowfocus --sync "$window" key Escape
for _ in $(seq 100); do kill -0 $program 2>/dev/null || break; sleep 0.1; done
if kill -0 $program 2>/dev/null; then kill $program; echo "Esc did not close the window"; exit 1; fi
wait $program
EOF
as_user XDG_DATA_HOME="$work/home/data" timeout 120 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
  bash "$work/home/desktop/start.sh" "$exec_line" || fail "the program from its desktop entry"
grep -q "IPAddress:127.0.0.1" "$work"/home/desktop/*SolvaneToOrbelle.log ||
  fail "the program started from its desktop entry did not connect"

echo "== manual pages"
mkdir -p "$work/debs"
for deb in "$build"/packages/*.deb; do dpkg-deb -x "$deb" "$work/debs"; done
pages=$(find "$work/debs" -path '*/man/man[1-9]/*' -type f | sort)
[ -n "$pages" ] || fail "no manual pages in the packages"
for page in $pages; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
done
for command in SolvaneToOrbelle sto-seal-password solvanetoorbelle-demo embsql-admin; do
  grep -q "/man1/$command\.1" <<<"$pages" || fail "no manual page for $command"
done
tools=/usr/lib/solvanetoorbelle/bin
for command in osql bcp; do
  [ -x "$tools/$command" ] || fail "$tools/$command is missing"
  [ "$(as_user PATH="$tools:/usr/bin:/bin" man -w "$command")" = "/usr/lib/solvanetoorbelle/man/man1/$command.1" ] ||
    fail "man does not find $command's page once $tools is on PATH"
done

echo "== the embedded server's user, data folder and unit"
getent passwd solvanetoorbelle >/dev/null || fail "no system user solvanetoorbelle"
[ "$(stat -c %U:%a /var/lib/solvanetoorbelle/embedded)" = solvanetoorbelle:750 ] ||
  fail "/var/lib/solvanetoorbelle/embedded: $(stat -c %U:%a /var/lib/solvanetoorbelle/embedded)"
unit=$(grep '/systemd/system/solvanetoorbelle-embsqld\.service$' "$work/files" || true)
if [ -n "$unit" ]; then
  [ -x /usr/sbin/embsqld ] || fail "the unit is installed without /usr/sbin/embsqld"
  ! ls /etc/systemd/system/*.wants/solvanetoorbelle-embsqld.service 2>/dev/null ||
    fail "the network server's unit is enabled"
  if command -v systemd-analyze >/dev/null; then
    systemd-analyze verify "$unit" || fail "systemd-analyze finds fault with $unit"
  fi
fi

echo "== purging"
"${apt[@]}" purge "${packages[@]}" >"$work/apt.log" || {
  cat "$work/apt.log"
  fail "apt-get purge failed"
}
for p in "${packages[@]}"; do ! present "$p" || fail "$p is still known to dpkg"; done
while read -r path; do
  [ "$path" != /. ] || continue
  [ -e "$path" ] || [ -L "$path" ] || continue
  # A folder that another package holds stays.
  [ -d "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1 && continue
  fail "$path is left after the purge"
done <"$work/files"
! getent passwd solvanetoorbelle >/dev/null || fail "the system user solvanetoorbelle is left"
! getent group solvanetoorbelle >/dev/null || fail "the group solvanetoorbelle is left"
leftovers=$(find /etc /var/lib /usr/lib /usr/share /lib/systemd -path /var/lib/apt -prune -o \
  -name '*solvanetoorbelle*' -print 2>/dev/null)
[ -z "$leftovers" ] || fail "left after the purge: $leftovers"
if ! cmp -s "$work/odbcinst.before" /etc/odbcinst.ini; then
  diff "$work/odbcinst.before" /etc/odbcinst.ini || true
  fail "/etc/odbcinst.ini is not as it was before the install"
fi
[ -e "$demo/.solvanetoorbelle-demo" ] || fail "the purge removed the user's demo"
echo "== packages built, installed, tried and purged without a trace"
