# shellcheck shell=bash
# Sourced by the shell tests: one line per check; a failed one says what it
# expected. End with `checked`, which gives the test its status.
passed=0 failed=0
result() { # NAME OK EXPECTED
    [ "$2" != 0 ] || { passed=$((passed + 1)) && echo "ok   $1" && return; }
    failed=$((failed + 1)) && printf 'FAIL %s\n     expected: %s\n' "$1" "$3"
}
check() { local ok=0 && { "${@:2}" || ok=1; } && result "$1" $ok "${*:2}"; } # NAME COMMAND...
same() { local ok=0 && { [ "$2" = "$3" ] || ok=1; } && result "$1" $ok "$2"$'\n''     got:      '"$3"; }
checked() { echo "$passed passed, $failed failed" && [ "$failed" = 0 ]; }
