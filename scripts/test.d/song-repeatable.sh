#!/usr/bin/env bash
# The song generator must give the same bytes on every run: generate the song
# again into a scratch folder and compare it with the build's copy.
set -euo pipefail
cd "$(dirname "$0")/../.."
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
build/gen_song "$scratch" >/dev/null
for f in data/patterndata.bin data/ondrivale.ogg; do
  if ! cmp -s "$scratch/$f" "build/run/$f"; then
    echo "song-repeatable: $f differs between two runs of gen_song"
    exit 1
  fi
done
echo "song-repeatable: same bytes on a second run"
