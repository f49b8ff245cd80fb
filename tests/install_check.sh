#!/usr/bin/env bash
# tests/install_check.sh [BUILD_DIR] - what an installed tsn gives users.
#
# Installs BUILD_DIR (default build/, already built) into a fresh prefix,
# runs the installed tsn on a copy of the example design in a directory of
# its own, with no WDIR, so that its catalogs can only be found beside the
# installed program, and compares the run with the example's expected
# files.  Also checks that the manual page was installed and renders.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
for f in bin/tsn bin/wlib bin/tsn.vmb bin/nodex.vmb bin/rklib.vmb bin/pxlib.vmb bin/wlib.vmb \
  share/man/man1/tsn.1; do
  [ -f "$work/prefix/$f" ] || { echo "install_check: $f was not installed" >&2; exit 1; }
done

example=$root/examples/adder
mkdir "$work/run"
(cd "$example" && cp -r drafta.ini adder.var tsn.ini lib "$work/run/")
# One time for all: a wirelist must not look older than its symbol.
find "$work/run" -type f -exec touch -d @1700000000 {} +
mapfile -t args <"$example/args"
status=0
(cd "$work/run" && env -u WDIR PATH=/usr/bin:/bin "$work/prefix/bin/tsn" "${args[@]}" \
   >"$work/stdout" 2>"$work/stderr") || status=$?
[ "$status" = "$(cat "$example/expected/exit_code")" ] ||
  { echo "install_check: exit code $status" >&2; cat "$work/stdout" "$work/stderr" >&2; exit 1; }
for f in stdout stderr adder.tsn; do
  got=$work/$f
  [ "$f" = adder.tsn ] && got=$work/run/$f
  sed "s|$work/run|\$DIR|g" "$got" | cmp -s - "$example/expected/$f" ||
    { echo "install_check: $f differs from examples/adder/expected/$f" >&2;
      sed "s|$work/run|\$DIR|g" "$got" | diff - "$example/expected/$f" | head -20 >&2; exit 1; }
done

if command -v man >/dev/null 2>&1; then
  man -l "$work/prefix/share/man/man1/tsn.1" 2>&1 >/dev/null | grep . &&
    { echo "install_check: the manual page has errors" >&2; exit 1; }
  man -l "$work/prefix/share/man/man1/tsn.1" | grep -q TSN_NO_SHORTCUTS ||
    { echo "install_check: the manual page does not render" >&2; exit 1; }
fi
echo "install check passed: $(ls "$work/prefix/bin" | tr '\n' ' ')"
