#!/bin/sh
# Fails when the shared library exports anything but the ZEL_* interface:
# C functions and null handles named ZEL_*, and the public ZEL_* classes.
lib="$1"
[ -f "$lib" ] || { echo "no library: $lib"; exit 1; }
syms=$(nm -D --defined-only "$lib" | awk '{print $3}')
[ -n "$syms" ] || { echo "no exported symbols"; exit 1; }
echo "$syms" | grep -q '^ZEL_InitSession$' || { echo "ZEL_InitSession is not exported"; exit 1; }
bad=$(echo "$syms" | grep -v -E '^ZEL_[A-Za-z0-9_]+$|^_Z(N|TI|TS|TV)[0-9]+ZEL_' )
if [ -n "$bad" ]; then
  echo "unexpected exported symbols:"
  echo "$bad"
  exit 1
fi
internal=$(echo "$syms" | grep -E 'ZELI_|ZELC_')
if [ -n "$internal" ]; then
  echo "internal symbols exported:"
  echo "$internal"
  exit 1
fi
# Every function and constant the public header declares is defined.
header="$(dirname "$0")/../include/zel/zel.h"
classes=$(grep -o -E '(class|struct) ZEL_API ZEL_[A-Za-z0-9_]*' "$header" | awk '{print $3}')
declared=$(grep -o 'ZEL_[A-Za-z0-9_]*(' "$header" | tr -d '(' | sort -u | grep -vxF "$classes")
declared="$declared
$(grep -o 'extern const [a-zA-Z_]* ZEL_[A-Za-z0-9_]*' "$header" | awk '{print $4}' | sort -u)"
missing=$(echo "$declared" | grep -v '^$' | while read -r name; do
  echo "$syms" | grep -qx "$name" || echo "$name"
done)
if [ -n "$missing" ]; then
  echo "declared in zel.h but not exported:"
  echo "$missing"
  exit 1
fi
exit 0
