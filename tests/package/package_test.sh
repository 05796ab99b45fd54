#!/usr/bin/env bash
# The Debian packages, checked as a user's machine would see them: scripts/package.sh builds both
# .debs in a Release tree of the test's own (through the install rules): their names, fields and
# dependencies (computed by dpkg-shlibdeps), no lintian errors; unpacked with `dpkg -x`, they hold
# every file, the desktop entry and the AppStream file pass their validators, the systemd unit
# verifies, Pellow runs and plays its sounds from <prefix>/share/pellow/sounds, and the sync
# server answers /healthz on loopback and stops cleanly on SIGTERM.
set -euo pipefail
(($# == 3)) || { echo "usage: $0 <source-dir> <build-dir> <package-build-dir>" >&2; exit 2; }
src=$(readlink -f "$1") tree=$(readlink -f "$2") pkgbuild=$(realpath -m "$3")

fail() { printf 'FAIL package: %s\n' "$*"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/pellow-package.XXXXXX")
session= # Pellow's session, while it runs
cleanup() {
    [[ -z $session ]] || { kill "$session" 2>/dev/null; wait "$session" 2>/dev/null; } || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

# Polls "$@" every 0.1 s for up to <seconds>.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

sounds=$(cd "$tree/bin/sounds" && ls -- *.wav)
(($(wc -l <<<"$sounds") >= 13)) || fail "the build tree has only $(wc -l <<<"$sounds") sounds"

debs=$work/debs
PELLOW_JOBS=${PELLOW_JOBS:-$(nproc)} "$src/scripts/package.sh" "$pkgbuild" "$debs" >"$work/package.log" 2>&1 ||
    { tail -n 40 "$work/package.log"; fail "scripts/package.sh failed"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$pkgbuild/CMakeCache.txt")
grep -qx 'PELLOW_UPDATE_CHECK:BOOL=OFF' "$pkgbuild/CMakeCache.txt" || fail "the package build has update checks on"
app_deb=$debs/pellow_${version}_amd64.deb server_deb=$debs/pellow-sync-server_${version}_amd64.deb
[[ -s $app_deb && -s $server_deb ]] || fail "expected pellow_${version}_amd64.deb and pellow-sync-server_${version}_amd64.deb, got: $(ls "$debs")"

field() { dpkg-deb -f "$1" "$2"; }
for deb in "$app_deb" "$server_deb"; do
    [[ $(field "$deb" Version) == "$version" && $(field "$deb" Architecture) == amd64 ]] || fail "$deb: version or architecture"
    for f in Maintainer Section Homepage Description; do [[ -n $(field "$deb" $f) ]] || fail "$deb: no $f"; done
    dpkg-deb -c "$deb" | awk '$2 != "root/root" {bad = 1} END {exit bad}' || fail "$deb: files not owned by root"
done
[[ $(field "$app_deb" Package) == pellow && $(field "$server_deb" Package) == pellow-sync-server ]] || fail "package names"
# Computed by dpkg-shlibdeps (one library each proves it ran), and the SQLite plugin it cannot see.
for need in "$app_deb libqt6multimedia6" "$server_deb libmicrohttpd12" "$server_deb libqt6sql6-sqlite"; do
    read -r deb lib <<<"$need"
    field "$deb" Depends | grep -qE "(^|, )$lib( |,|$)" || fail "$(field "$deb" Package) does not depend on $lib: $(field "$deb" Depends)"
done
dpkg-deb -c "$app_deb" | grep -q '/pellow-sync-server' && fail "the pellow package holds sync server files"
dpkg-deb -c "$server_deb" | grep -qE '/(bin/pellow|share/pellow/.*)$' && fail "the pellow-sync-server package holds Pellow's files"

lintian_out=$(lintian "$app_deb" "$server_deb" 2>&1 | grep -v '^running with root privileges' || true)
[[ -n $lintian_out ]] && printf '%s\n' "$lintian_out" >&2
grep -q '^E: ' <<<"$lintian_out" && fail "lintian reports errors"

unpacked=$work/unpacked prefix=$work/unpacked/usr
dpkg -x "$app_deb" "$unpacked"
dpkg -x "$server_deb" "$unpacked"
# Every file either package needs.
for f in bin/pellow bin/pellow-sync-server; do [[ -x $prefix/$f ]] || fail "no executable $f"; done
for f in $sounds; do [[ -s $prefix/share/pellow/sounds/$f ]] || fail "sound $f not installed"; done
for f in pellow-timer pellow-timer-symbolic pellow-checkmark-symbolic; do
    [[ -s $prefix/share/icons/hicolor/scalable/apps/$f.svg ]] || fail "icon $f not installed"
done
for f in share/applications/app.pellow.Pellow.desktop share/metainfo/app.pellow.Pellow.metainfo.xml \
    share/doc/pellow/copyright share/doc/pellow/changelog.gz share/doc/pellow-sync-server/copyright \
    share/doc/pellow-sync-server/changelog.gz share/man/man1/pellow.1.gz share/man/man1/pellow-sync-server.1.gz \
    share/pellow-sync-server/web/index.html lib/systemd/system/pellow-sync-server.service; do
    [[ -s $prefix/$f ]] || fail "$f not installed"
done
out=$(desktop-file-validate "$prefix/share/applications/app.pellow.Pellow.desktop" 2>&1) && [[ -z $out ]] ||
    fail "desktop-file-validate: $out"
out=$(appstreamcli validate --no-net "$prefix/share/metainfo/app.pellow.Pellow.metainfo.xml" 2>&1) ||
    fail "appstreamcli validate: $out"
# systemd reads the unit as it would on the target (the binary named by ExecStart exists here).
sed "s|^ExecStart=[^ ]*|ExecStart=$prefix/bin/pellow-sync-server|" "$prefix/lib/systemd/system/pellow-sync-server.service" \
    >"$work/pellow-sync-server.service"
out=$(systemd-analyze verify "$work/pellow-sync-server.service" 2>&1) && [[ -z $out ]] || fail "systemd-analyze verify: $out"
# Pellow, offscreen on a private bus with its own XDG folders (the system's data folders hidden),
# with a countdown that ran out while it was closed: the finished countdown is saved, keys it does
# not know are kept, its sounds are opened from the package's own folder, and it stops on SIGTERM.
pellow=$prefix/bin/pellow want=$prefix/bin/../share/pellow/sounds run=$work/run
mkdir -p "$run"/{home,config/pellow,data,nodata,tmp,trace} && mkdir -m 700 "$run/runtime"
cat >"$run/config/pellow/preferences.json" <<JSON
{"someOtherApp": {"keep": true}, "timers": [{"id": "pk-tea", "label": "Tea", "mode": "down",
 "duration": 60, "banked": 0, "startedAt": $(($(date +%s) - 600)), "running": true, "alerted": false, "warned": []}]}
JSON
chmod 600 "$run/config/pellow/preferences.json"
env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS HOME="$run/home" \
    XDG_CONFIG_HOME="$run/config" XDG_DATA_HOME="$run/data" XDG_DATA_DIRS="$run/nodata" \
    XDG_RUNTIME_DIR="$run/runtime" TMPDIR="$run/tmp" QT_QPA_PLATFORM=offscreen \
    dbus-run-session -- strace -ff -qq -e trace=openat -o "$run/trace/t" "$pellow" >"$run/log" 2>&1 &
session=$!
saved() {
    grep -q '"alerted": true' "$run/config/pellow/preferences.json" &&
        grep -q '"keep": true' "$run/config/pellow/preferences.json"
}
opened() { grep -hqF "openat(AT_FDCWD, \"$want/chime.wav\", O_RDONLY|O_CLOEXEC) = " "$run"/trace/t.* 2>/dev/null; }
wait_for 20 saved || { tail -n 20 "$run/log"; fail "$pellow did not save the finished countdown"; }
wait_for 10 opened || { tail -n 20 "$run/log"; fail "$pellow did not open its chime from $want"; }
! grep -hF '.wav"' "$run"/trace/t.* | grep -vqF "\"$want/" ||
    fail "$pellow looked for sounds outside $want: $(grep -hF '.wav"' "$run"/trace/t.* | grep -vF "\"$want/" | head -n 1)"
pid=$(pgrep -x -f -- "$pellow") || { tail -n 20 "$run/log"; fail "$pellow did not stay up"; }
kill "$pid"
timeout 10 tail --pid="$session" -f /dev/null || fail "$pellow did not stop on SIGTERM"

# The unpacked sync server, through the server tests' own helper: /healthz on a free loopback
# port, and a clean stop on SIGTERM.
PELLOW_SYNC_SERVER=$unpacked/usr/bin/pellow-sync-server PYTHONPATH=$src/tests/server python3 -c '
import sys, sync_server_test
with sync_server_test.Server(database=f"sqlite:{sys.argv[1]}/sync.db") as server:
    assert server.raw("GET", "/healthz") == (200, b"ok"), server.raw("GET", "/healthz")' "$work" ||
    fail "the unpacked sync server did not serve /healthz and stop cleanly"

echo "PASS package: $(basename "$app_deb") and $(basename "$server_deb") with computed dependencies and no" \
    "lintian errors; unpacked, their files passed the validators, the unit verified, Pellow ran and played its" \
    "own sounds and the server served /healthz"
