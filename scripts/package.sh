#!/usr/bin/env bash
# Builds the Debian packages pellow_<version>_amd64.deb and pellow-sync-server_<version>_amd64.deb
# from a Release tree of their own, configured for /usr with Debian's hardening flags and without
# update checks (a packaged Pellow is updated by the package manager). CPack computes their
# dependencies with dpkg-shlibdeps.
#
# Usage: scripts/package.sh [build-dir [output-dir]]
#   defaults: build-package, and build-package/packages for the .deb files
#   PELLOW_JOBS: build jobs (default: the number of processors)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
pellow_install_deps

build=$(realpath -m "${1:-$root/build-package}")
out=$(realpath -m "${2:-$build/packages}")
jobs=${PELLOW_JOBS:-$(nproc)}

# Debian's hardening flags (stack protector, fortified functions, read-only relocations bound at
# start), without -g: CPack strips the binaries anyway. dpkg-buildflags maps the current folder
# out of file names, so run it from the top of the sources.
cd "$root"
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g dpkg-buildflags --get "$1"; }
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" \
    -DPELLOW_UPDATE_CHECK=OFF -DPELLOW_BUILD_SERVER=ON -DPELLOW_BUILD_TESTS=OFF -DPELLOW_BUILD_BENCH=OFF \
    -DPELLOW_BUILD_FUZZ=OFF -DPELLOW_SANITIZE=OFF -DPELLOW_WERROR=OFF >/dev/null
cmake --build "$build" -j "$jobs"

mkdir -p "$out"
rm -f "$out"/pellow_*.deb "$out"/pellow-sync-server_*.deb
(cd "$build" && cpack -G DEB -B "$out" >"$build/cpack.log") || {
    cat "$build/cpack.log" >&2
    exit 1
}
rm -rf "$out/_CPack_Packages"
ls -1 "$out"/*.deb
