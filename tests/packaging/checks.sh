# shellcheck shell=bash
# Check helpers for the packaging scripts: one line per check, and a closing
# "N passed, N failed" line; `summary` exits non-zero when a check failed.
passed=0
failed=0
# A command that fails outside a check ends the script; say where.
trap 'echo "FAIL stopped at line $LINENO: $BASH_COMMAND"' ERR

pass() {
    passed=$((passed + 1))
    echo "ok   $1"
}

fail() {
    failed=$((failed + 1))
    echo "FAIL $1"
    shift
    [ $# -eq 0 ] || printf '       %s\n' "$@"
}

expect_eq() { # NAME WANTED GOT
    if [ "$2" = "$3" ]; then pass "$1"; else fail "$1" "wanted: $2" "got:    $3"; fi
}

expect_true() { # NAME COMMAND...
    local name=$1
    shift
    if "$@"; then pass "$name"; else fail "$name" "failed: $*"; fi
}

expect_grep() { # NAME TEXT FILE
    if grep -qF -- "$2" "$3"; then
        pass "$1"
    else
        fail "$1" "no line with: $2" "in: $(head -c 400 "$3")"
    fi
}

summary() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
