#!/bin/sh
# QMRRebuilder with no display in its environment: a message that says so and
# names qmr, exit 1, no abort; --version and --help on standard output, exit 0.
# Usage: without_display.sh QMRREBUILDER
program=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$@"; }

err=$(run 2>&1 >/dev/null)
status=$?
[ "$status" -eq 1 ] || fail "no display: exit $status, expected 1"
case $err in *"no display found"*"qmr --help"*) ;; *) fail "no display: said '$err'" ;; esac

out=$(run --version 2>/dev/null)
status=$?
[ "$status" -eq 0 ] || fail "--version: exit $status"
case $out in "QMR Rebuilder version "[0-9]*) ;; *) fail "--version: printed '$out'" ;; esac

out=$(run --help 2>/dev/null)
status=$?
[ "$status" -eq 0 ] || fail "--help: exit $status"
case $out in "Usage: QMRRebuilder"*"--version"*) ;; *) fail "--help: printed '$out'" ;; esac

# Any other argument is ignored: still the display message, not a usage error.
err=$(run --frobnicate 2>&1 >/dev/null)
case $err in *"no display found"*) ;; *) fail "--frobnicate: said '$err'" ;; esac

[ "$failures" -eq 0 ] || exit 1
echo "without_display: all as expected"
