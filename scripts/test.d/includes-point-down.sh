#!/usr/bin/env bash
# The house's include rules, each include read whether quoted or in angle
# brackets:
# - the engine's includes point one way, down: core, then scenes, then
#   engine3d, then video and music (which never include each other), then
#   fixed, with platform at the bottom;
# - SDL is included only by the desktop's back-end (platform/desktop/);
# - no two modules (a header and its source) include each other.
# Prints every include that breaks one, and fails if there is any.
set -euo pipefail
cd "$(dirname "$0")/../.."
git ls-files '*.h' '*.c' '*.cpp' | python3 -c '
import collections
import pathlib
import re
import sys

LEVEL = {"platform": 0, "fixed": 1, "video": 2, "music": 2, "engine3d": 3, "scenes": 4, "core": 5}
INCLUDE = re.compile(r"\s*#\s*include\s+[<\"]([^>\"]+)[>\"]")
names = sys.stdin.read().split()
tracked = set(names)
# Where the build looks for quoted includes: the folder of the file, the root, the
# tools and the asset generators.
def resolve(path, included):
    for root in (path.parent, pathlib.Path("."), pathlib.Path("tools"), pathlib.Path("tools/assetgen")):
        candidate = pathlib.Path(root, included)
        if str(candidate) in tracked:
            return str(candidate.with_suffix(""))
    return None

wrong = []
uses = collections.defaultdict(set)  # module -> modules it includes
for name in names:
    path = pathlib.Path(name)
    folder = path.parts[0]
    module = str(path.with_suffix(""))
    for n, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
        match = INCLUDE.match(line)
        if not match:
            continue
        included = match.group(1)
        if re.match(r"SDL(_\w+)?\.h$", included) and not name.startswith("platform/desktop/"):
            wrong.append(f"{name}:{n}: includes <{included}>: SDL belongs to platform/desktop/")
        target = included.split("/")[0]
        if folder in LEVEL and target in LEVEL and target != folder and LEVEL[target] >= LEVEL[folder]:
            wrong.append(f"{name}:{n}: includes {target}/, which is not below {folder}/")
        other = resolve(path, included)
        if other and other != module:
            uses[module].add(other)
for a in sorted(uses):
    for b in sorted(uses[a]):
        if a < b and a in uses.get(b, ()):
            wrong.append(f"{a} and {b} include each other")
print("\n".join(wrong) if wrong else
      "includes point down, SDL only in platform/desktop/, no two modules include each other")
sys.exit(1 if wrong else 0)
'
