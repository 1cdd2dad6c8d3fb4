# Sourced by the kelvo-dav tests: a throwaway groupware with the demo's
# people (embedded file, or a schema of its own on the test server named by
# $KELVO_TEST_POSTGRES), a certificate made for the loopback, and kelvo-dav
# serving it on a free port. Sets dir, url (https://localhost:PORT/dav/), ca
# (the certificate to trust) and KELVO_DATABASE (the administrator's, for
# kelvo-admin); stops the server and drops the schema however the test ends.
#   . DavSession.sh BUILD_DIR sqlite|postgresql
build=$1
engine=$2
dir=$(mktemp -d /tmp/kelvo-dav.XXXXXX)
server_pid=
schema=
dav_cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    [ -n "$schema" ] && psql "$KELVO_TEST_POSTGRES" -q -c "DROP SCHEMA $schema CASCADE" 2>/dev/null
    rm -rf "$dir"
}
trap dav_cleanup EXIT

export LANG=C.UTF-8 XDG_CONFIG_HOME=$dir/config KELVO_SIGNIN_WAIT_MS=1
case $engine in
sqlite)
    export KELVO_DATABASE=$dir/groupware.db
    people=$KELVO_DATABASE
    ;;
postgresql)
    [ -n "${KELVO_TEST_POSTGRES:-}" ] || {
        echo "KELVO_TEST_POSTGRES names no server: run the suite with ./test.sh" >&2
        exit 1
    }
    schema=kd_$RANDOM$RANDOM
    psql "$KELVO_TEST_POSTGRES" -q -v ON_ERROR_STOP=1 -c "CREATE SCHEMA $schema" || exit 1
    sep='?'
    case $KELVO_TEST_POSTGRES in *\?*) sep='&' ;; esac
    export KELVO_DATABASE="$KELVO_TEST_POSTGRES${sep}options=-c%20search_path%3D$schema"
    # People sign in as themselves: the URI without the administrator's role.
    people=$(printf '%s' "$KELVO_DATABASE" | sed 's|://[^@/]*@|://|')
    ;;
*)
    echo "no engine $engine" >&2
    exit 1
    ;;
esac
"$build/bin/kelvo-admin" demo >/dev/null

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
    -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" \
    -keyout "$dir/key.pem" -out "$dir/cert.pem" 2>/dev/null
ca=$dir/cert.pem

# The files exist before the server writes them: the wait below reads them at once.
: >"$dir/dav.out"
: >"$dir/dav.log"
KELVO_DATABASE=$people "$build/bin/kelvo-dav" --certificate "$ca" --key "$dir/key.pem" --port 0 \
    >>"$dir/dav.out" 2>>"$dir/dav.log" &
server_pid=$!
port=
for _ in $(seq 1 200); do
    port=$(sed -n 's|.*https://127.0.0.1:\([0-9]*\)/dav/$|\1|p' "$dir/dav.out" || true)
    [ -n "$port" ] && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.05
done
[ -n "$port" ] || {
    echo "kelvo-dav did not start:" >&2
    cat "$dir/dav.log" >&2
    exit 1
}
url=https://localhost:$port/dav/
