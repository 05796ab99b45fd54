#!/usr/bin/env bash
# Makes a throwaway certificate authority and a server certificate for 127.0.0.1 signed by it:
# <folder>/ca.pem, <folder>/server.pem and <folder>/server.key.
set -euo pipefail
dir=$1
cd "$dir"
ec=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
openssl req -x509 "${ec[@]}" -keyout ca.key -out ca.pem -days 2 -subj "/CN=Pellow test CA" 2>/dev/null
openssl req "${ec[@]}" -keyout server.key -out server.csr -subj "/CN=127.0.0.1" 2>/dev/null
printf 'subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n' >server.ext
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem -days 2 \
    -extfile server.ext 2>/dev/null
rm -f server.csr server.ext ca.srl
