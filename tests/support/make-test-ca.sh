#!/usr/bin/env bash
# Makes a throwaway certificate authority and a server certificate for 127.0.0.1 signed by it:
# <folder>/ca.pem, <folder>/server.pem and <folder>/server.key.
set -euo pipefail
cd "$1"
new=(-x509 -days 2 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
openssl req "${new[@]}" -keyout ca.key -out ca.pem -subj "/CN=Pellow test CA" 2>/dev/null
openssl req "${new[@]}" -CA ca.pem -CAkey ca.key -keyout server.key -out server.pem -subj "/CN=127.0.0.1" \
    -addext subjectAltName=IP:127.0.0.1 -addext basicConstraints=CA:FALSE 2>/dev/null
