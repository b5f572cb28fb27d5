#!/bin/sh
# Runs the program under test and records its exit code, which the driver that launched it cannot report.
"$QUORLIN_APP" "$@"
code=$?
echo "$code" > "$QUORLIN_EXIT_FILE"
exit "$code"
