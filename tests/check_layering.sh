#!/usr/bin/env bash
# Fails when a source directory includes a project header it may not depend on,
# or when Qt is included outside platform/qt, app and the GUI tests.
set -u
root=$1
status=0
check() {  # dir, allowed top-level include directories
  local dir=$1; shift
  local allowed="$*"
  while IFS= read -r line; do
    inc=$(sed -E 's/^[^:]*:[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]+"([^/"]+)\/.*/\1/' <<<"$line")
    [[ " $allowed " == *" $inc "* ]] && continue
    echo "layering: $line"
    status=1
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[a-z_]+/' "$root/$dir" --include='*.h' --include='*.cpp' | grep -v "^$root/platform/qt/")
}
check engine engine
check numtheory engine numtheory
check random engine platform random
check workbench engine numtheory random platform workbench
check platform platform
if grep -rnE '#[[:space:]]*include[[:space:]]*<Q' "$root"/{engine,numtheory,random,workbench} \
     "$root/platform" --include='*.h' --include='*.cpp' | grep -v "^$root/platform/qt/"; then
  echo "layering: Qt included outside platform/qt"
  status=1
fi
exit $status
