#!/usr/bin/env bash
# The page's server (./run.sh --web) says in one line why it cannot serve, with
# status 1, before it prints the page's address: a port taken (by a listener
# on a port the system chose), and a PORT that is no port.
set -u
server=${1:?usage: serve_page_test.sh SERVE_PAGE}
exec 3< <(python3 -c 'import socket, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen()
print(s.getsockname()[1], flush=True); time.sleep(60)')
listener=$!
read -r port <&3
said=$(for p in "$port" eighty; do timeout 10 "$server" "$p" . 2>&1; echo "status $?"; done)
kill "$listener"
expected="run.sh: cannot serve the page on port $port: Address already in use (PORT=... chooses another)
status 1
run.sh: PORT=eighty is not a port: give a number from 1 to 65535
status 1"
[[ $said == "$expected" ]] || { printf 'said:\n%s\n' "$said"; exit 1; }
