#!/bin/sh
# ctest's emulator for the Windows test programs. Wine hands a program's
# standard handles to its server, and the server and the services outlive the
# program; given ctest's output pipe they would keep it open and ctest would
# wait for ever. So Wine only ever sees /dev/null and a file here.
wine cmd /c exit </dev/null >/dev/null 2>&1
output=$(mktemp)
wine "$@" </dev/null >"$output" 2>&1
status=$?
cat "$output"
rm -f "$output"
exit $status
