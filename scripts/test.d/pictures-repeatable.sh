#!/usr/bin/env bash
# The picture generator must give the same bytes on every run: draw every
# picture again into a scratch folder and compare it with the build's copy.
set -euo pipefail
cd "$(dirname "$0")/../.."
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
build/gen_pictures "$scratch" >/dev/null
count=0
for f in "$scratch"/data/*.png; do
  name=data/$(basename "$f")
  if ! cmp -s "$f" "build/run/$name"; then
    echo "pictures-repeatable: $name differs between two runs of gen_pictures"
    exit 1
  fi
  count=$((count + 1))
done
echo "pictures-repeatable: same bytes on a second run ($count pictures)"
