#!/bin/sh
# libedloader as a user meets it: installed into a fresh prefix, which is then moved (the package
# must not remember where it was installed), and built against with pkg-config, with CMake's
# find_package and from Python.
#   installed.sh BUILD_DIR THIS_FOLDER EXAMPLES LIBDIR
set -eu
build=$1 here=$2 examples=$3 libdir=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/installed" >/dev/null
mv "$work/installed" "$work/prefix"
prefix=$work/prefix lib=$work/prefix/$libdir
pump=$examples/pump/pump.ed
fail() { echo "FAILED: $*" >&2; exit 1; }

readelf -d "$lib/libedloader.so" | grep -q 'SONAME.*\[libedloader\.so\.1\]' || fail "no versioned SONAME"
exported=$(nm -D --defined-only "$lib/libedloader.so" | awk '$3 !~ /^edl_/ && $2 != "A"')
[ -z "$exported" ] || fail "exported beyond the C interface: $exported"

expected=$("$prefix/bin/ed-load" --quiet --format summary "$pump" | awk '$1 == "instances" {print "instances " $2}')
[ -n "$expected" ] || fail "ed-load printed no instance count"
expected="$expected
root Centrifugal Pump CP-80"

PKG_CONFIG_PATH=$lib/pkgconfig
export PKG_CONFIG_PATH
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -Wpedantic -Werror "$here/consumer.c" $(pkg-config --cflags --libs edloader) -o "$work/c-consumer"
[ "$(LD_LIBRARY_PATH=$lib "$work/c-consumer" "$pump")" = "$expected" ] || fail "the C program's output"
if LD_LIBRARY_PATH=$lib "$work/c-consumer" "$work/missing.ed" 2>"$work/err"; then fail "a missing file loaded"; fi
grep -q 'missing\.ed' "$work/err" || fail "no message for a missing file: $(cat "$work/err")"

cmake -S "$here/consumer" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
[ "$("$work/consumer/consumer" "$pump")" = "$expected" ] || fail "the CMake program's output"
if "$work/consumer/consumer" "$work/missing.ed" 2>/dev/null; then fail "a missing file loaded (C++)"; fi

module=$(find "$prefix" -name 'edloader*.so' -path '*packages*' | head -n 1)
if [ -z "$module" ]; then
  echo "Python module not installed (no pybind11): its tests skipped"
elif ! /usr/bin/python3 -c 'import pytest' 2>/dev/null; then
  echo "no pytest for /usr/bin/python3 (Debian: python3-pytest): the Python tests skipped"
else
  PYTHONPATH=$(dirname "$module") ED_LOAD=$prefix/bin/ed-load ED_EXAMPLES=$examples \
    /usr/bin/python3 -m pytest -q -p no:cacheprovider "$here/test_edloader.py"
fi
echo "installed library: all checks passed"
