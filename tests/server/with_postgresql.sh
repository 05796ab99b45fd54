#!/usr/bin/env bash
# Runs a command against a throwaway PostgreSQL cluster in a temporary folder, listening on a socket
# there only, removed afterwards, also when the command fails. The command finds the database in
# PELLOW_SYNC_DATABASE. Needs Debian's postgresql package (scripts/deps.sh lists it).
set -euo pipefail

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [[ -z $bindir || ! -x $bindir/initdb ]]; then
    echo "PostgreSQL is not installed (Debian package postgresql): skipped"
    exit 77
fi

work=$(mktemp -d /tmp/pellow-pg.XXXXXX)
chmod 755 "$work"
owner=()
if ((EUID == 0)); then # the cluster may not run as root
    owner=(runuser -u postgres --)
    chown postgres: "$work"
fi
as_owner() { (cd "$work" && "${owner[@]}" "$@"); }

cleanup() {
    as_owner "$bindir/pg_ctl" -D "$work/data" -m fast -w stop >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

as_owner "$bindir/initdb" -D "$work/data" -U pellow -A trust -E UTF8 --no-sync >"$work/initdb.log" 2>&1 ||
    { cat "$work/initdb.log"; exit 1; }
as_owner "$bindir/pg_ctl" -D "$work/data" -l "$work/postgres.log" -w -t 60 \
    -o "-c listen_addresses='' -k $work -c fsync=off" start >/dev/null ||
    { cat "$work/postgres.log"; exit 1; }
as_owner "$bindir/createdb" -h "$work" -U pellow pellow_sync

export PELLOW_SYNC_DATABASE="postgresql://pellow@/pellow_sync?host=$work"
"$@"
