#!/bin/sh
# A PostgreSQL server of its own for the tests of the department's archive:
# Debian's postgresql 15, a fresh cluster in a temporary folder owned by the
# user postgres (the server refuses root), on a free port of 127.0.0.1 and
# ::1 and on a socket in that folder, with TLS from a self-signed
# certificate for "localhost". Over TCP every login needs its password; the
# socket trusts its users (the tests' administrator).
#
#   eval "$(tools/pgserver.sh start)"   # prints the DM_PG_* variables to export
#   tools/pgserver.sh restart           # immediate stop and start (same folder, port)
#   tools/pgserver.sh stop
set -e
bin=/usr/lib/postgresql/15/bin
as_postgres() {
    if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

case "$1" in
start)
    [ -x "$bin/initdb" ] || { echo "pgserver: $bin/initdb missing (apt install postgresql)" >&2; exit 1; }
    dir=$(mktemp -d /tmp/dm-pgserver.XXXXXX)
    chmod 755 "$dir"
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    openssl req -x509 -newkey rsa:2048 -nodes -days 3 -subj "/CN=localhost" \
        -addext "subjectAltName=DNS:localhost" -keyout "$dir/server.key" -out "$dir/server.crt" 2>/dev/null
    chmod 600 "$dir/server.key"
    [ "$(id -u)" = 0 ] && chown -R postgres: "$dir"
    as_postgres "$bin/initdb" -D "$dir/data" -E UTF8 --locale=C.UTF-8 -U postgres \
        --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log" 2>&1 \
        || { cat "$dir/initdb.log" >&2; exit 1; }
    cat >>"$dir/data/postgresql.conf" <<CONF
listen_addresses = 'localhost'
port = $port
unix_socket_directories = '$dir'
ssl = on
ssl_cert_file = '$dir/server.crt'
ssl_key_file = '$dir/server.key'
max_connections = 100
fsync = off
CONF
    as_postgres "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 start >/dev/null \
        || { cat "$dir/server.log" >&2; exit 1; }
    echo "export DM_PG_DIR='$dir' DM_PG_HOST='$dir' DM_PG_PORT='$port' DM_PG_CA='$dir/server.crt'" \
         "DM_PG_CTL='$(cd "$(dirname "$0")" && pwd)/pgserver.sh'"
    ;;
restart)
    as_postgres "$bin/pg_ctl" -D "$DM_PG_DIR/data" -m immediate -w stop >/dev/null
    as_postgres "$bin/pg_ctl" -D "$DM_PG_DIR/data" -l "$DM_PG_DIR/server.log" -w -t 30 start >/dev/null
    ;;
stop)
    [ -n "$DM_PG_DIR" ] && [ -d "$DM_PG_DIR" ] || exit 0
    as_postgres "$bin/pg_ctl" -D "$DM_PG_DIR/data" -m fast -w stop >/dev/null 2>&1 || true
    rm -rf "$DM_PG_DIR"
    ;;
*)
    echo "usage: $0 start|restart|stop" >&2
    exit 2
    ;;
esac
