#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and uses what was installed with a
# clean environment, so that nothing can come from the build folder:
#   InstallTest.sh BUILD_FOLDER [--package]
# With --package it builds the Debian package instead and checks its control
# fields and contents.
set -euo pipefail

build=$(cd "$1" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
clean() { env -i PATH=/usr/bin:/bin HOME="$stage/home" LANG=C.UTF-8 "$@"; }

if [ "${2:-}" = "--package" ]; then
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$stage/out" >"$stage/cpack.log" 2>&1 ||
        { cat "$stage/cpack.log" >&2; fail "cpack -G DEB"; }
    deb=$(ls "$stage"/out/kelvo-view_*_*.deb) || fail "no package written"
    depends=$(dpkg-deb -f "$deb" Depends)
    for needed in libqt6widgets6 libsqlite3-0 libpq5 libical3 libldap-2.5-0 libmicrohttpd12 libxml2 \
        tzdata qt6-translations-l10n; do
        [[ "$depends" == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
    done
    contents=$(dpkg-deb -c "$deb")
    for file in ./usr/bin/kelvo-view ./usr/bin/kelvo-admin ./usr/lib/kelvo-view/libkelvo.so.1 \
        ./usr/share/applications/kelvo-view.desktop ./usr/share/man/man1/kelvo-admin.1.gz \
        ./usr/share/man/man1/kelvo-view.1.gz ./usr/share/doc/kelvo-view/copyright \
        ./usr/share/icons/hicolor/48x48/apps/kelvo-view.png \
        ./usr/share/kelvo-view/postgresql-setup.sql ./usr/bin/kelvo-dav \
        ./usr/lib/systemd/system/kelvo-dav.service ./etc/kelvo/kelvo-dav.conf \
        ./usr/share/man/man1/kelvo-dav.1.gz; do
        grep -q " $file" <<<"$contents" || fail "package lacks $file"
    done
    # The service's settings are the administrator's: kept over an upgrade.
    dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles | grep -qx /etc/kelvo/kelvo-dav.conf ||
        fail "kelvo-dav.conf is no conffile"
    # No maintainer script: nothing is left behind (no "rc" state) by apt remove.
    scripts=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E 'postrm|postinst|prerm|preinst|triggers' || true)
    [ -z "$scripts" ] || fail "maintainer scripts: $scripts"
    # Debian's own checks: no error (and, today, no warning: see docs/installing.md).
    lintian --fail-on error "$deb" \
        >"$stage/lintian.log" 2>&1 || { cat "$stage/lintian.log" >&2; fail "lintian"; }
    echo "package $(basename "$deb"): Depends: $depends"
    cat "$stage/lintian.log"
    exit 0
fi

DESTDIR="$stage/root" cmake --install "$build" --prefix /usr >"$stage/install.log" ||
    { cat "$stage/install.log" >&2; fail "cmake --install"; }
root="$stage/root/usr"
for file in bin/kelvo-view bin/kelvo-admin lib/kelvo-view/libkelvo.so.1 \
    share/applications/kelvo-view.desktop share/man/man1/kelvo-admin.1.gz \
    share/man/man1/kelvo-view.1.gz share/doc/kelvo-view/copyright \
    share/kelvo-view/postgresql-setup.sql; do
    [ -e "$root/$file" ] || fail "not installed: $file"
done
for size in 16 22 24 32 48 64 128 256; do
    icon="$root/share/icons/hicolor/${size}x${size}/apps/kelvo-view.png"
    [ -s "$icon" ] || fail "no ${size}px icon"
done
[ ! -e "$root/lib/kelvo-view/libkelvo.so" ] || fail "the development link was installed"
[ ! -e "$root/lib/libkelvo.so.1" ] || fail "the private library is in the linker's path"

# Run-time paths are relative to the programs, and never name the build folder.
for program in kelvo-view kelvo-admin kelvo-dav; do
    dynamic=$(readelf -d "$root/bin/$program")
    grep -q 'RUNPATH.*\[\$ORIGIN:\$ORIGIN/../lib/kelvo-view\]' <<<"$dynamic" || fail "$program: run path"
    ! grep -q "$build" <<<"$dynamic" || fail "$program names the build folder"
done

version=$(clean "$root/bin/kelvo-admin" --version) || fail "kelvo-admin --version"
[[ "$version" == "kelvo-admin "*" (backend library 1."* ]] || fail "kelvo-admin --version: $version"
clean "$root/bin/kelvo-admin" --help | grep -q -- "--dry-run" || fail "kelvo-admin --help"
demo=$(clean "$root/bin/kelvo-admin" --database "$stage/demo.db" demo) || fail "kelvo-admin demo"
grep -q "guest09 / guest" <<<"$demo" || fail "demo printed no logins: $demo"
users=$(clean "$root/bin/kelvo-admin" --database "$stage/demo.db" user list)
grep -q "guest09" <<<"$users" || fail "the demo holds no users"
viewer=$(clean "$root/bin/kelvo-view" --version) || fail "kelvo-view --version"
grep -q "backend library $root/lib/kelvo-view/libkelvo.so.1 (1\." <<<"$viewer" ||
    fail "the viewer would not use the installed library: $viewer"

desktop-file-validate "$root/share/applications/kelvo-view.desktop" || fail "desktop entry"
for page in kelvo-admin kelvo-dav kelvo-view; do
    zcat "$root/share/man/man1/$page.1.gz" | grep -q "^\.TH ${page^^} 1 " || fail "manual page $page"
done

# The service as its unit starts it, with the package's settings (paths moved
# into the stage, its credentials handed over as systemd would), answers a
# person on the demo groupware.
unit=$stage/root/usr/lib/systemd/system/kelvo-dav.service
command=$(sed -n 's/^ExecStart=//p' "$unit")
[ -n "$command" ] || fail "the unit starts nothing"
credentials=$stage/credentials
mkdir "$credentials"
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=localhost \
    -addext "subjectAltName=DNS:localhost" -keyout "$credentials/key" \
    -out "$credentials/certificate" 2>/dev/null || fail "openssl"
command=${command//\/etc\/kelvo/$stage/root/etc/kelvo}
command=${command//\/usr\/bin/$root/bin}
command=${command//\$\{CREDENTIALS_DIRECTORY\}/$credentials}
# shellcheck disable=SC2086 # the unit's words, as systemd splits them
: >"$stage/dav.out"
clean KELVO_DATABASE="$stage/demo.db" $command --port 0 >>"$stage/dav.out" 2>"$stage/dav.log" &
dav=$!
port=
for _ in $(seq 1 100); do
    port=$(sed -n 's|.*https://127.0.0.1:\([0-9]*\)/dav/$|\1|p' "$stage/dav.out" || true)
    [ -n "$port" ] && break
    sleep 0.05
done
answer=$(curl -s --cacert "$credentials/certificate" -u guest09:guest -X PROPFIND \
    -o /dev/null -w "%{http_code}" "https://localhost:$port/dav/" || true)
kill "$dav" 2>/dev/null || true
wait "$dav" 2>/dev/null || true
[ "$answer" = 207 ] || fail "the service as its unit says answered $answer: $(cat "$stage/dav.log")"
echo "installed and ran: $version"
