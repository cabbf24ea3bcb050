#!/bin/sh
# Runs one example program for the tests and shows what it printed. Succeeds
# only when the program exits with status 0 (with -f: status 1, a failure it
# reported itself), its output (stdout and stderr) matches the extended
# regular expression PATTERN, and no sanitizer reported anything.
# Usage: expect.sh [-f] PATTERN PROGRAM [ARG...]
set -u
want=0
if [ "$1" = "-f" ]; then
  want=1
  shift
fi
pattern="$1"
shift
out="$("$@" 2>&1)"
status=$?
printf '%s\n' "$out"
if [ "$status" -ne "$want" ]; then
  echo "expect.sh: exit status $status, expected $want" >&2
  exit 1
fi
if printf '%s\n' "$out" | grep -q -e 'Sanitizer' -e 'runtime error:'; then
  echo "expect.sh: a sanitizer reported an error" >&2
  exit 1
fi
if ! printf '%s\n' "$out" | grep -Eq -- "$pattern"; then
  echo "expect.sh: the output does not match: $pattern" >&2
  exit 1
fi
