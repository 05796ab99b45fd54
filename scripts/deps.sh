#!/usr/bin/env bash
# Installs the Debian packages Pellow needs to build, run and test, when any is missing.
# Sourced by run.sh and test.sh; uses sudo when not root.
set -euo pipefail

PELLOW_PACKAGES=(
    cmake ninja-build g++ clang libclang-rt-14-dev clang-format
    qt6-base-dev qt6-qpa-plugins qt6-multimedia-dev libqt6svg6-dev libgl-dev
    libbenchmark-dev
    xvfb xauth xfwm4 trayer x11-utils dbus dbus-bin haskell-status-notifier-item-utils xdotool xclip
    libmicrohttpd-dev libgnutls28-dev pkg-config libqt6sql6-sqlite libqt6sql6-psql postgresql openssl python3
    desktop-file-utils appstream lintian dpkg-dev file strace systemd
    chromium chromium-driver python3-selenium tzdata stress-ng
    libqrencode-dev zbar-tools x11-apps iproute2 procps
    chromium chromium-driver python3-selenium
    xfce4-panel xfconf xfce4-indicator-plugin ayatana-indicator-application mate-panel lxqt-panel python3-gi gir1.2-dbusmenu-glib-0.4
)

pellow_install_deps() {
    local missing=()
    for pkg in "${PELLOW_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    ((${#missing[@]} == 0)) && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    ((EUID == 0)) || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
