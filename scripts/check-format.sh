#!/bin/sh
# Fails when a tracked C++ file differs from what clang-format makes of it.
set -eu
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
    echo "clang-format not installed" >&2
    exit 1
fi
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
echo "formatting: clean"
