#!/usr/bin/env bash
# Sets everything up, builds, and runs every test. Exits non-zero on any failure.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")" && pwd)"
"$ROOT/scripts/setup.sh"
cd "$ROOT/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)"
# The Windows build, cross-compiled and tested under Wine.
"$ROOT/scripts/windows/test.sh"
