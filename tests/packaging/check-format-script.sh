#!/usr/bin/env bash
# scripts/format --check outside a git checkout (a machine without git, a source tarball): it
# checks the sources it finds there and fails when it finds none or one is badly formatted.
# Usage: check-format-script.sh SOURCE_DIR
set -euo pipefail
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A git that is not installed.
mkdir -p "$work/bin"
printf '#!/bin/sh\necho "git: command not found" >&2\nexit 127\n' >"$work/bin/git"
chmod +x "$work/bin/git"
export PATH="$work/bin:$PATH"

tree=$work/tree
mkdir -p "$tree/scripts" "$tree/app" "$tree/build/default/app"
cp "$src/scripts/format" "$tree/scripts/format"
cp "$src/.clang-format" "$tree/.clang-format"

# No source at all: an error, not a pass.
if out=$("$tree/scripts/format" --check 2>&1); then
    fail "no sources, yet the check passed: $out"
fi
grep -q "no C++ source found" <<<"$out" || fail "no sources: unexpected message: $out"

# Well-formatted sources pass; generated files in a build tree are not looked at.
printf 'int answer() {\n    return 42;\n}\n' >"$tree/app/good.cpp"
printf 'int   broken ( ){return 1;}\n' >"$tree/build/default/app/moc_generated.cpp"
out=$("$tree/scripts/format" --check 2>&1) || fail "formatted source refused: $out"
grep -q "1 files checked" <<<"$out" || fail "expected one file checked: $out"

# A badly formatted header fails the check and is named.
printf 'int   broken ( ){return 1;}\n' >"$tree/app/bad.h"
if out=$("$tree/scripts/format" --check 2>&1); then
    fail "badly formatted source passed: $out"
fi
grep -q "bad.h" <<<"$out" || fail "bad.h not named: $out"
echo "scripts/format checks: ok"
