#!/usr/bin/env bash
# The engine's includes point one way, down: core, then scenes, then engine3d,
# then video and music (which never include each other), then fixed, with
# platform at the bottom. Prints every include that runs up or sideways.
set -euo pipefail
cd "$(dirname "$0")/../.."
python3 - <<'EOF'
import pathlib
import re
import sys

LEVEL = {"platform": 0, "fixed": 1, "video": 2, "music": 2, "engine3d": 3, "scenes": 4, "core": 5}
wrong = []
for folder, level in LEVEL.items():
    for path in sorted(pathlib.Path(folder).rglob("*")):
        if path.suffix not in (".h", ".c", ".cpp"):
            continue
        for n, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            match = re.match(r'\s*#\s*include\s+"([a-z0-9_]+)/', line)
            target = match and match.group(1)
            if target in LEVEL and target != folder and LEVEL[target] >= level:
                wrong.append(f"{path}:{n}: includes {target}/, which is not below {folder}/")
print("\n".join(wrong) if wrong else "includes point down: every include of the engine's folders")
sys.exit(1 if wrong else 0)
EOF
