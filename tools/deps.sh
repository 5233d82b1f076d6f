#!/usr/bin/env bash
# Installs the Debian packages a task needs, only those not yet installed.
#   tools/deps.sh play    what building and running the game needs
#   tools/deps.sh test    ... plus everything the test suite uses
set -euo pipefail

play=(g++ cmake make pkg-config libsdl1.2-compat-dev)
test=("${play[@]}" libgtest-dev)

case "${1:-play}" in
play) wanted=("${play[@]}") ;;
test) wanted=("${test[@]}") ;;
*)
    echo "usage: $0 play|test" >&2
    exit 2
    ;;
esac

missing=()
for package in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
