#!/usr/bin/env bash
# The web page: built with emscripten, then driven in headless Chromium
# against the desktop build (web/tests/page_test.py says what it checks).
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/build-web
python3 web/tests/page_test.py build-web build
