#!/usr/bin/env bash
# Makes `apt-get source PACKAGE` work: adds, in a file of its own under
# /etc/apt/sources.list.d, a deb-src entry for the archive and suite that
# apt already installs BINARY (a binary package of PACKAGE) from, copied
# from that deb entry with its options (keys above all) kept, and updates
# that source alone. Does nothing when apt already serves the source.
#   tools/windows/deb-src.sh PACKAGE=VERSION BINARY
set -euo pipefail
source_package=$1 binary=$2
name=tessalorium-deb-src
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

apt-get source --print-uris -qq "$source_package" >/dev/null 2>&1 && exit 0

# "BINARY | VERSION | URI SUITE/COMPONENT ARCH Packages", first the archive
# apt prefers.
read -r uri suite < <(apt-cache madison "$binary" |
    awk -F' [|] ' '$3 ~ / Packages$/ { split($3, f, " "); sub("/.*", "", f[2]); print f[1], f[2]; exit }')
[ -n "${uri:-}" ] || { echo "$0: apt knows no archive that has $binary" >&2 && exit 1; }
uri=${uri%/}

lists=() sources=()
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] && lists+=("$file")
done
for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] && sources+=("$file")
done

# One-line entries: "deb [options] URI SUITE COMPONENTS...".
line=""
if [ ${#lists[@]} -gt 0 ]; then
    line=$(awk -v uri="$uri" -v suite="$suite" '
        { sub(/#.*/, "") }
        $1 == "deb" {
            rest = $0; sub(/^[ \t]*deb[ \t]+/, "", rest)
            options = ""
            if (rest ~ /^\[/) { options = substr(rest, 1, index(rest, "]")); rest = substr(rest, index(rest, "]") + 1) }
            split(rest, f, " "); u = f[1]; sub("/$", "", u)
            if (u == uri && f[2] == suite) { sub(/deb/, "deb-src"); print; exit }
        }' "${lists[@]}")
fi
# deb822 stanzas: the one whose Types, URIs and Suites hold deb, URI and
# SUITE, with Types and Suites narrowed to those.
stanza=""
if [ -z "$line" ] && [ ${#sources[@]} -gt 0 ]; then
    stanza=$(awk -v uri="$uri" -v suite="$suite" '
        function has(list, word,   n, i, w) {
            n = split(list, w, " ")
            for (i = 1; i <= n; i++) { sub("/$", "", w[i]); if (w[i] == word) return 1 }
            return 0
        }
        BEGIN { RS = ""; FS = "\n" }
        {
            types = uris = suites = ""; enabled = 1; out = ""
            for (i = 1; i <= NF; i++) {
                if ($i ~ /^#/) continue
                field = tolower($i); value = $i; sub(/^[^:]*:[ \t]*/, "", value)
                if (field ~ /^types:/) { types = value; $i = "Types: deb-src" }
                else if (field ~ /^uris:/) uris = value
                else if (field ~ /^suites:/) { suites = value; $i = "Suites: " suite }
                else if (field ~ /^enabled:/ && tolower(value) ~ /^no/) enabled = 0
                out = out $i "\n"
            }
            if (enabled && has(types, "deb") && has(uris, uri) && has(suites, suite)) { printf "%s", out; exit }
        }' "${sources[@]}")
fi

if [ -n "$line" ]; then
    file=/etc/apt/sources.list.d/$name.list
    echo "$line" | $sudo tee "$file" >/dev/null
elif [ -n "$stanza" ]; then
    file=/etc/apt/sources.list.d/$name.sources
    printf '%s\n' "$stanza" | $sudo tee "$file" >/dev/null
else
    echo "$0: no deb entry for $uri $suite in apt's sources" >&2
    exit 1
fi
echo "Added the source packages of $uri $suite in $file"
# Only this source: the others stay as they were.
$sudo apt-get update -qq -o Dir::Etc::sourcelist="$file" -o Dir::Etc::sourceparts=- \
    -o APT::Get::List-Cleanup=0
