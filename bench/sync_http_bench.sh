#!/usr/bin/env bash
# Throughput and latency of pellow-sync-server's HTTP front end with wrk, on loopback, beside
# nginx serving a 2-byte file as the floor to compare against from run to run. Reports, never
# asserts. Installs wrk and nginx from Debian when missing (nginx only for this benchmark).
#
#     bench/sync_http_bench.sh [SERVER_BINARY] [SECONDS]
#     tests/server/with_postgresql.sh bench/sync_http_bench.sh    # the same against PostgreSQL
#
# Without SERVER_BINARY the server is built in Release into build-release. The hostile-client
# suite then runs against the same binary and prints its figures (pull time and RSS per attack).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${2:-10}

missing=()
for pkg in wrk nginx; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
if ((${#missing[@]})); then
    sudo=()
    ((EUID == 0)) || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
    # The package starts its own site on port 80; this benchmark runs its own nginx.
    "${sudo[@]}" systemctl disable --now nginx >/dev/null 2>&1 || true
fi

server=${1:-}
if [[ -z $server ]]; then
    cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$root/build-release" --parallel 2 --target pellow-sync-server
    server=$root/build-release/bin/pellow-sync-server
fi

work=$(mktemp -d /tmp/pellow-bench.XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
wait_port() {
    for _ in $(seq 100); do
        (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
        sleep 0.1
    done
    echo "nothing listens on $1" >&2
    return 1
}

database=${PELLOW_SYNC_DATABASE:-sqlite:$work/bench.db}
port=$(free_port)
"$server" --listen "127.0.0.1:$port" --database "$database" 2>"$work/server.log" &
pids+=($!)
wait_port "$port"
base=http://127.0.0.1:$port

# Ten groups, one per keep-alive connection: each pushes its next revision and pulls in turn.
tokens=$(python3 - "$base" <<'PY'
import json, sys, urllib.request
tokens = []
for n in range(10):
    req = urllib.request.Request(sys.argv[1] + "/api/pellow/sync.php?action=pair", data=b"{}", method="POST")
    tokens.append(json.load(urllib.request.urlopen(req))["token"])
print(" ".join(tokens))
PY
)
cat >"$work/sync.lua" <<LUA
local tokens = {}
for t in string.gmatch("$tokens", "%S+") do tokens[#tokens + 1] = t end
local timers = '[{"id":"T1","label":"Tea","mode":"down","duration":300,"banked":0,"startedAt":1.7e9,' ..
    '"running":true,"alerted":false,"warned":[]},{"id":"T2","label":"Focus","mode":"up","duration":1500,' ..
    '"banked":12.5,"startedAt":1.7e9,"running":false,"alerted":false,"warned":[-1,300]}]'
local counter = 0
function setup(thread)
    counter = counter + 1
    thread:set("id", counter)
end
function init(args)
    n = 0
    token = tokens[id]
    rev = 0
    wrk.method = "POST"
    wrk.headers["Content-Type"] = "application/json"
end
function request()
    n = n + 1
    if n % 2 == 1 then
        rev = rev + 1
        return wrk.format(nil, "/api/pellow/sync.php?action=push",
            nil, '{"token":"' .. token .. '","rev":' .. rev .. ',"timers":' .. timers .. '}')
    end
    return wrk.format(nil, "/api/pellow/sync.php?action=pull", nil, '{"token":"' .. token .. '"}')
end
function done(summary, latency, requests)
    io.write(string.format("non-2xx or socket errors: %d\n",
        summary.errors.status + summary.errors.connect + summary.errors.read + summary.errors.write +
        summary.errors.timeout))
end
LUA

# nginx with one worker per core, serving a 2-byte file.
nport=$(free_port)
mkdir -p "$work/www" "$work/nginx"
printf 'ok' >"$work/www/ok.txt"
chmod 644 "$work/www/ok.txt"
cat >"$work/nginx/nginx.conf" <<CONF
worker_processes 2;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
    access_log off;
    client_body_temp_path $work/nginx; proxy_temp_path $work/nginx; fastcgi_temp_path $work/nginx;
    uwsgi_temp_path $work/nginx; scgi_temp_path $work/nginx;
    server { listen 127.0.0.1:$nport; root $work/www; }
}
CONF
nginx -c "$work/nginx/nginx.conf" -p "$work/nginx" &
pids+=($!)
wait_port "$nport"

run() {
    echo "== $1"
    shift
    wrk --latency -t2 -c10 -d"${seconds}s" "$@" | grep -E "Requests/sec|Latency |  50%|  90%|  99%|non-2xx|errors"
}
echo "pellow-sync-server: $server on $database; 10 keep-alive connections, 2 wrk threads, ${seconds} s each"
run "push+pull (alternating, one group per connection)" -s "$work/sync.lua" "$base"
run "GET /healthz (a write and a read of the database each)" "$base/healthz"
run "nginx, a 2-byte file (the floor)" "http://127.0.0.1:$nport/ok.txt"
echo "== server RSS after the runs: $(awk '/VmRSS/ {print $2 / 1024 " MB"}' "/proc/${pids[0]}/status")"

echo "== hostile clients against the same binary"
PELLOW_SYNC_SERVER=$server python3 "$root/tests/server/hostile_client_test.py" HostileClientTests 2>&1 |
    sed -n '/^attack |/,/^SIGTERM/p'
