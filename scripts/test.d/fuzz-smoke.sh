#!/usr/bin/env bash
# A few seconds of the ASE reader fuzz target: enough to catch a reader that
# crashes on the seeds or on the first mutations. Its progress lines go to a
# log; a failure prints the end of it.
set -euo pipefail
cd "$(dirname "$0")/../.."
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! ./scripts/fuzz-ase 5 >"$log" 2>&1; then
  tail -n 60 "$log"
  echo "fuzz-smoke: the ASE reader failed under the fuzzer"
  exit 1
fi
grep -E '^Done|DONE' "$log" | tail -n 2
