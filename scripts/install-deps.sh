#!/usr/bin/env bash
# Installs the Debian packages that are missing from the given lists
# ("build" for building and testing, "fuzz" for the fuzz harnesses, "run" for
# showing the viewer).
# Runs apt-get only as root and only when something is missing.
set -euo pipefail

declare -A lists=(
    [build]="cmake ninja-build g++ pkg-config clang-format git libsqlite3-dev libgtest-dev qt6-base-dev libgl-dev
             libpq-dev postgresql qt6-translations-l10n desktop-file-utils dpkg-dev
             libssl-dev openssl libicu-dev libical-dev libldap-dev tzdata xvfb xauth openbox xdotool lintian
             vncsnapshot imagemagick libmicrohttpd-dev libxml2-dev curl python3-caldav python3-requests
             vdirsyncer khal khard"
    [fuzz]="clang libclang-rt-14-dev"
    [run]="sqlite3 xvfb xauth openbox x11vnc fonts-noto-cjk qt6-translations-l10n"
)

missing=()
for list in "$@"; do
    for package in ${lists[$list]}; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
fi
echo "Installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
