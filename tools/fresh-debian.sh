#!/usr/bin/env bash
# Runs CI on a brand-new Debian 12, as a new contributor would: a minbase
# chroot, git and ca-certificates, a clone of this repository's committed
# HEAD, then `CI=true bash .ci/run`. Prints CTest's summary lines and the
# time; the whole log is kept, and on a failure the tests' screenshots.
# Needs root and debootstrap.
#
#   tools/fresh-debian.sh [LOG]    (default /var/tmp/tessalorium-fresh.<time>.log)
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
log=${1:-/var/tmp/tessalorium-fresh.$(date +%Y%m%d-%H%M%S).log}
root=$(mktemp -d /var/tmp/tessalorium-fresh.XXXXXX)
chmod 755 "$root" # it is /, where every user must find /dev and /usr

# A /dev still bound in the chroot would be emptied on the host by the rm,
# so nothing is removed while anything below the chroot is mounted.
# shellcheck disable=SC2317 # called by the trap
cleanup() {
    # What still runs in the chroot would keep its mounts busy.
    for proc in /proc/[0-9]*; do
        [ "$(readlink "$proc/root")" != "$root" ] || kill -KILL "${proc#/proc/}" || true
    done 2>/dev/null
    for mount in dev/shm dev/pts dev proc; do
        ! mountpoint -q "$root/$mount" || umount "$root/$mount" || umount -l "$root/$mount"
    done
    if findmnt -rno TARGET | grep -q "^$root/"; then
        echo "still mounted below $root, left in place" >&2
    else
        rm -rf --one-file-system "$root"
    fi
}
trap cleanup EXIT
trap "exit 130" INT TERM

echo "== debootstrap into $root"
debootstrap --variant=minbase bookworm "$root" >"$log" 2>&1 || { tail -n 20 "$log" && exit 1; }
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --make-rslave "$root/dev" # what is mounted below it stays off the host's /dev
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs shm "$root/dev/shm"

in_root() {
    chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}
in_root sh -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq git ca-certificates' \
    >>"$log" 2>&1 || { tail -n 20 "$log" && exit 1; }
git clone -q --no-hardlinks "$repo" "$root/root/tessalorium"
echo "== CI=true bash .ci/run on $(git -C "$repo" log -1 --format='%h %s' HEAD); log: $log"
begun=$SECONDS status=0
# In the background, so that an INT or TERM ends it at once through the trap.
in_root sh -c 'cd /root/tessalorium && CI=true bash .ci/run' </dev/null >>"$log" 2>&1 &
wait $! || status=$?
grep -E 'tests passed|tests failed|\(Failed\)|\(Timeout\)' "$log" || true
if [ "$status" != 0 ]; then
    keep=${log%.log}.shots
    mkdir -p "$keep"
    cp -r "$root"/root/tessalorium/build/test/tests/{shots*,*.png} "$keep" 2>/dev/null || true
    echo "the e2e tests' screenshots and the pictures of failed tests: $keep"
fi
echo "status $status; .ci/run took $((SECONDS - begun)) s, $SECONDS s with the chroot"
exit "$status"
