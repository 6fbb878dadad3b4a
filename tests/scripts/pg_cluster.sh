#!/usr/bin/env bash
# A throw-away PostgreSQL 15 cluster for the tests: its data in a temporary
# folder, listening only on 127.0.0.1 (a free port) and on a socket in that
# folder, with an administrator whose password is in a password file.
#
# Usage: tests/scripts/pg_cluster.sh start|up|down|remove STATE_DIR
#   start   creates the cluster and starts its server (removes an older one at STATE_DIR)
#   down    stops the server, keeping its data (a test of a server that went away)
#   up      starts the stopped server again, on the same port
#   remove  stops the server and removes the data and STATE_DIR
#
# STATE_DIR/cluster.env (sourced by shell tests, parsed by others) then holds
#   GVC_PG_HOST=127.0.0.1  GVC_PG_PORT=...  GVC_PG_ADMIN=gvc_admin
#   GVC_PG_PASSFILE=STATE_DIR/admin.pgpass  (the administrator's password, pgpass form)
#   GVC_PG_DATA=...  GVC_PG_SOCKET_DIR=...
# The server refuses to run as root; run as root, it runs as the user postgres
# (which Debian's package creates), run as anyone else, as that user.
set -euo pipefail

action=${1:?usage: pg_cluster.sh start|up|down|remove STATE_DIR}
state=${2:?usage: pg_cluster.sh start|up|down|remove STATE_DIR}
bin=$(ls -d /usr/lib/postgresql/15/bin 2>/dev/null || true)
[ -x "$bin/initdb" ] || {
    echo "pg_cluster: PostgreSQL 15 is not installed (postgresql-15)" >&2
    exit 1
}

as_server() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

load_env() {
    [ -f "$state/cluster.env" ] || {
        echo "pg_cluster: no cluster at $state" >&2
        exit 1
    }
    # shellcheck disable=SC1091
    . "$state/cluster.env"
}

server_up() {
    as_server "$bin/pg_ctl" -D "$GVC_PG_DATA" -l "$GVC_PG_SOCKET_DIR/../server.log" -w -t 60 \
        -o "-c listen_addresses=127.0.0.1 -c port=$GVC_PG_PORT -c unix_socket_directories=$GVC_PG_SOCKET_DIR" \
        start >/dev/null
}

server_down() {
    if [ -f "$GVC_PG_DATA/postmaster.pid" ]; then
        as_server "$bin/pg_ctl" -D "$GVC_PG_DATA" -m fast -w -t 60 stop >/dev/null || true
    fi
}

free_port() {
    local port
    for _ in $(seq 1 50); do
        port=$((20000 + RANDOM % 30000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            echo "$port"
            return
        fi
    done
    echo "pg_cluster: no free port found" >&2
    exit 1
}

case "$action" in
start)
    if [ -f "$state/cluster.env" ]; then "$0" remove "$state"; fi
    mkdir -p "$state"
    state=$(cd "$state" && pwd)
    root=$(mktemp -d /tmp/gvc-pg.XXXXXX)
    chmod 0755 "$root"
    mkdir -p "$root/data" "$root/socket"
    [ "$(id -u)" -eq 0 ] && chown postgres "$root" "$root/data" "$root/socket"
    password=$(head -c 18 /dev/urandom | base64 | tr -d '/+=')
    pwfile="$root/admin.pw"
    printf '%s\n' "$password" >"$pwfile"
    [ "$(id -u)" -eq 0 ] && chown postgres "$pwfile"
    chmod 0600 "$pwfile"
    as_server "$bin/initdb" -D "$root/data" -U gvc_admin --pwfile="$pwfile" --auth-local=scram-sha-256 \
        --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8 >"$root/initdb.log" 2>&1 || {
        cat "$root/initdb.log" >&2
        exit 1
    }
    rm -f "$pwfile"
    # A throw-away cluster: no need to survive a power cut.
    printf 'fsync = off\nsynchronous_commit = off\nfull_page_writes = off\nmax_connections = 200\n' \
        >>"$root/data/postgresql.conf"
    port=$(free_port)
    cat >"$state/cluster.env" <<EOF
GVC_PG_HOST=127.0.0.1
GVC_PG_PORT=$port
GVC_PG_ADMIN=gvc_admin
GVC_PG_PASSFILE=$state/admin.pgpass
GVC_PG_DATA=$root/data
GVC_PG_SOCKET_DIR=$root/socket
EOF
    (umask 077 && printf '127.0.0.1:%s:*:gvc_admin:%s\n' "$port" "$password" >"$state/admin.pgpass")
    load_env
    server_up
    ;;
up)
    load_env
    server_up
    ;;
down)
    load_env
    server_down
    ;;
remove)
    [ -f "$state/cluster.env" ] || exit 0
    load_env
    server_down
    case "$GVC_PG_DATA" in
    /tmp/gvc-pg.*/data) rm -rf "$(dirname "$GVC_PG_DATA")" ;;
    esac
    rm -f "$state/cluster.env" "$state/admin.pgpass"
    ;;
*)
    echo "usage: pg_cluster.sh start|up|down|remove STATE_DIR" >&2
    exit 2
    ;;
esac
