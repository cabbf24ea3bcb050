#!/bin/sh
# Runs the Python package's tests with PYTHON (default /usr/bin/python3):
# the library in ZEL_LIBRARY, the zel tool in ZEL_TOOL. Exits 77 (a skip for
# CTest) with the reason when the interpreter lacks numpy or pytest.
python="${1:-/usr/bin/python3}"
here="$(cd "$(dirname "$0")" && pwd)"
for module in numpy pytest; do
  if ! "$python" -c "import $module" >/dev/null 2>&1; then
    echo "skipped: $python cannot import $module (Debian: python3-$module; scripts/setup installs it)"
    exit 77
  fi
done
exec "$python" -m pytest -q -p no:cacheprovider "$here"
