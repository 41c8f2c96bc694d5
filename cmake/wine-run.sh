#!/bin/sh
# ctest's emulator for the Windows test programs. Wine's server and services
# outlive the program that starts them; started from a test they would hold
# ctest's output pipe open and ctest would wait for them forever. So they are
# started here first, on /dev/null, and the program then joins them.
wine cmd /c exit </dev/null >/dev/null 2>&1
exec wine "$@"
