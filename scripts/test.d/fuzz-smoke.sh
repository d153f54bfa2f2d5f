#!/usr/bin/env bash
# A few seconds of the ASE reader fuzz target: enough to catch a reader that
# crashes on the seeds or on the first mutations.
set -euo pipefail
cd "$(dirname "$0")/../.."
./scripts/fuzz-ase 5
