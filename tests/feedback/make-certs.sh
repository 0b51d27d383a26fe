#!/bin/sh
# Throw-away certificates for the notification server of the tests and the demo, in FOLDER:
#   ca.der                       a test CA (to be added to the prefix's trusted root store)
#   chain.pem, server.key        a "localhost" server certificate signed by that CA
#   untrusted.pem, untrusted.key a "localhost" certificate signed by a CA nobody trusts
# Usage: make-certs.sh FOLDER
set -e
out=$1
mkdir -p "$out"
cd "$out"
ssl() { openssl "$@" >/dev/null 2>&1; }
printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\nextendedKeyUsage=serverAuth\n' > server.ext
for name in ca other-ca; do
  ssl req -x509 -newkey rsa:2048 -nodes -keyout $name.key -out $name.crt -days 30 -subj "/CN=Tessaron test $name" \
      -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
done
ssl x509 -in ca.crt -outform DER -out ca.der
# The same kind of certificate from each CA: only trust tells them apart.
for pair in "server ca chain" "untrusted other-ca untrusted"; do
  set -- $pair
  ssl req -newkey rsa:2048 -nodes -keyout $1.key -out $1.csr -subj "/CN=localhost"
  ssl x509 -req -in $1.csr -CA $2.crt -CAkey $2.key -CAcreateserial -out $1.crt -days 30 -extfile server.ext
  cat $1.crt $2.crt > $3.pem
done
