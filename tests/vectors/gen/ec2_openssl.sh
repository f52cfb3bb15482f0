#!/usr/bin/env bash
# Writes tests/vectors/engine/ec2_openssl.txt: key pairs d, Q = d*G made by the
# openssl command-line tool on two binary curves. Run by hand; never by CI.
#   tests/vectors/gen/ec2_openssl.sh > tests/vectors/engine/ec2_openssl.txt
set -euo pipefail
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
echo "# Key pairs from: openssl ecparam -name CURVE -genkey -noout -out key.pem"
echo "#                 openssl ec -in key.pem -text -noout"
echo "# Priv = d, Qx/Qy = d*G (from the uncompressed public key 04||x||y), upper-case hex."
echo "# $(openssl version)"
for curve in sect163k1 sect283r1; do
  echo
  echo "[$curve]"
  for i in 1 2 3 4; do
    openssl ecparam -name "$curve" -genkey -noout -out "$tmp/key.pem" 2>/dev/null
    text=$(openssl ec -in "$tmp/key.pem" -text -noout 2>/dev/null)
    priv=$(awk '/^priv:/{f=1;next} /^pub:/{f=0} f' <<<"$text" | tr -d ' :\n' | tr a-f A-F)
    pub=$(awk '/^pub:/{f=1;next} /^ASN1 OID/{f=0} f' <<<"$text" | tr -d ' :\n' | tr a-f A-F)
    body=${pub#04}
    half=$(( ${#body} / 2 ))
    echo "Priv = $priv"
    echo "Qx = ${body:0:$half}"
    echo "Qy = ${body:$half}"
    echo
  done
done
