#!/usr/bin/env bash
# Times point counting with korvath-count on the curves of bench/count_curves.txt
# (published curves of 113 to 256 bits), checks each answer against the order
# written above the curve, and, when PARI/GP's gp is installed, counts the same
# curves with ellcard and prints the ratio of the times.
#
#   bench/bench_count.sh [BUILD_DIR] [NAME_FILTER]
#
# BUILD_DIR defaults to build/release; NAME_FILTER is a grep pattern on the
# curve names (for example 'secp160|sect163').
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
filter=${2:-.}
tool="$build/app/korvath-count"
[[ -x $tool ]] || { echo "no $tool: build the release preset first" >&2; exit 2; }
have_gp=0
command -v gp >/dev/null 2>&1 && have_gp=1

# gp script counting one curve and printing its order and the time in seconds.
gp_count() {
  local kind=$1; shift
  if [[ $kind == gfp ]]; then
    local p=$1 a=$2 b=$3
    printf 'default(parisizemax, 2^30);\nE = ellinit([0x%s, 0x%s], 0x%s);\nt = getabstime(); n = ellcard(E); t = getabstime() - t;\nprintf("%%X %%.3f\\n", n, t / 1000.);\n' "$a" "$b" "$p"
  else
    local m=$1 ta=$2 tb=$3 tc=$4 a=$5 b=$6 poly
    poly="x^$m + x^$ta"
    (( tb > 0 )) && poly+=" + x^$tb + x^$tc"
    printf 'default(parisizemax, 2^30);\ng = ffgen(Mod(1, 2) * (%s + 1), '"'"'g);\nel(h) = subst(Pol(binary(h)), '"'"'x, g);\nE = ellinit([1, el(0x%s), 0, 0, el(0x%s)]);\nt = getabstime(); n = ellcard(E); t = getabstime() - t;\nprintf("%%X %%.3f\\n", n, t / 1000.);\n' "$poly" "$a" "$b"
  fi
}

printf '%-18s %10s %10s %8s  %s\n' curve "KORVATH s" "PARI/GP s" ratio check
status=0
name='' order=''
while read -r line; do
  if [[ $line =~ ^#\ ([^ ]+)\ ([0-9A-F]+)$ ]]; then
    name=${BASH_REMATCH[1]} order=${BASH_REMATCH[2]}
    continue
  fi
  [[ -z $line || $line == \#* ]] && continue
  grep -Eq -- "$filter" <<<"$name" || continue
  read -r np ours secs < <(echo "$line" | "$tool")
  check=ok
  [[ $ours == "$order" ]] || { check="WRONG ($ours)"; status=1; }
  theirs=- ratio=-
  if (( have_gp )); then
    # shellcheck disable=SC2086
    read -r gp_np theirs < <(gp_count $line | gp -q -f 2>/dev/null)
    [[ $gp_np == "$order" ]] || theirs="(gp: $gp_np)"
    [[ $theirs =~ ^[0-9.]+$ ]] && ratio=$(awk -v a="$secs" -v b="$theirs" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  fi
  printf '%-18s %10s %10s %8s  %s\n' "$name" "$secs" "$theirs" "$ratio" "$check"
done < bench/count_curves.txt
exit $status
