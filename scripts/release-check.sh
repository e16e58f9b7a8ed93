#!/usr/bin/env bash
# Runs the test command in a fresh minimal root of a Debian release, as a
# newcomer on that release would, then installs the package built there (and
# the one in build-deb/ here, if any) and starts it as an ordinary user. The
# output of each step is kept in build-release/RELEASE/.
# usage: scripts/release-check.sh bookworm|trixie|forky      (as root)
#
# Everything that mounts runs in a mount and PID namespace of its own, so the
# mounts and processes die with it, even when the check is interrupted; the
# root is deleted only from outside, once /proc/mounts shows nothing in it.
set -euo pipefail

say() { printf '%s\n' "$*" >&2; }
phase() {  # phase NAME LOG COMMAND...: runs COMMAND into LOG, prints its time, shows LOG if it fails
    local name=$1 log=$2 start=$SECONDS
    shift 2
    if "$@" >"$log" 2>&1; then
        say "$name: $((SECONDS - start)) s"
    else
        cat "$log" >&2
        say "$name: FAILED after $((SECONDS - start)) s"
        return 1
    fi
}

# Inside the namespaces: make the root, mount what a build needs, run the phases.
if [ "${1:-}" = --inside ]; then
    release=$2 work=$3 mirror=$4 logs=$5
    root=$work/root
    aptopts=()
    # The mirror here is a frozen snapshot, and testing's Release file carries a
    # Valid-Until date that has passed on it; a live mirror would need nothing.
    # Stable releases carry no such date.
    [ "$release" = forky ] && aptopts=(--aptopt='Acquire::Check-Valid-Until "false"')
    phase "minimal root of $release" "$logs/root.log" \
        mmdebstrap --mode=root --variant=minbase "${aptopts[@]}" "$release" "$root" "$mirror"
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
    mount -t proc proc "$root/proc"
    mount --rbind /dev "$root/dev"
    mount --rbind /sys "$root/sys"
    mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"

    mkdir "$root/root/plumbrix"
    git -C "$PLUMBRIX_SRC" ls-files -z --cached --others --exclude-standard |
        tar -C "$PLUMBRIX_SRC" --null -T - --ignore-failed-read -cf - | tar -C "$root/root/plumbrix" -xf -

    env=(/usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8)
    as_root=(chroot "$root" "${env[@]}" bash -c)
    offline=(unshare --net chroot "$root" "${env[@]}" bash -c)
    # The packages, with the network, through the same function as test.sh's first
    # step; then the test command in a network namespace of its own, where its
    # installer finds nothing missing and no X display of the host's can be taken.
    phase "packages" "$logs/packages.log" "${as_root[@]}" 'cd /root/plumbrix && source scripts/setup.sh &&
        plumbrix_install "${plumbrix_packages[@]}" "${plumbrix_test_packages[@]}" && useradd -m player'
    phase "./test.sh" "$logs/test.log" "${offline[@]}" 'cd /root/plumbrix && ./test.sh'
    grep -E 'tests passed|tests failed' "$logs/test.log" >&2
    # Twice, with one SOURCE_DATE_EPOCH: the same bytes.
    phase "package from scratch, twice" "$logs/deb.log" "${offline[@]}" 'cd /root/plumbrix &&
        export SOURCE_DATE_EPOCH=$(date +%s) && for i in 1 2; do
            rm -rf build-deb && cmake --workflow --preset deb && cp build-deb/plumbrix_*.deb /tmp/$i.deb || exit
        done && cmp /tmp/1.deb /tmp/2.deb'
    cp "$root"/root/plumbrix/build-deb/{compile_commands.json,CMakeFiles/plumbrix.dir/link.txt} "$logs/"
    say "package built with: $(sed 's/ *\(-Wl,--dependency-file=\)\{0,1\}CMakeFiles.*//' "$logs/link.txt")"
    if grep -E 'warning:|CMake [A-Za-z ]*Warning' "$logs/test.log" "$logs/deb.log" >&2; then
        say "the build gives warnings on $release"
        exit 1
    fi

    mkdir "$root/srv/debs"
    cat >"$root/srv/start.sh" <<'EOF'
cd
/usr/games/plumbrix & game=$!
timeout 120 xdotool search --sync --onlyvisible --name '^Plumbrix$' >/dev/null; found=$?
kill $game
exit $found
EOF
    cp "$root"/root/plumbrix/build-deb/plumbrix_*.deb "$root/srv/debs/"
    [ -z "${PLUMBRIX_HOST_DEB:-}" ] || cp "$PLUMBRIX_HOST_DEB" "$root/srv/debs/host.deb"
    for deb in "$root"/srv/debs/*.deb; do
        deb=/srv/debs/${deb##*/}
        phase "install $deb" "$logs/install-${deb##*/}.log" "${as_root[@]}" \
            "if dpkg -s plumbrix >/dev/null 2>&1; then apt-get remove -y -qq plumbrix; fi && apt-get install -y -qq $deb"
        # As an ordinary user, from /usr/games, until its window shows.
        phase "start $deb" "$logs/start-${deb##*/}.log" unshare --net chroot --userspec=player:player "$root" \
            /usr/bin/env -i PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games HOME=/home/player \
            USER=player LANG=C.UTF-8 xvfb-run -a -s "-screen 0 1024x768x24" sh /srv/start.sh
    done
    exit 0
fi

release=${1:-}
case $release in
bookworm | trixie | forky) ;;
*) say "usage: $0 bookworm|trixie|forky"; exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || { say "$0 makes a root with mmdebstrap and mounts in it: run it as root"; exit 2; }
total=$SECONDS
PLUMBRIX_SRC=$(cd "$(dirname "$0")/.." && pwd)
export PLUMBRIX_SRC
host_deb=$(ls "$PLUMBRIX_SRC"/build-deb/plumbrix_*.deb 2>/dev/null | head -1) || true
export PLUMBRIX_HOST_DEB=$host_deb

if ! command -v mmdebstrap >/dev/null; then
    say "Installing mmdebstrap"
    for try in 1 2 3 4 5 6; do  # another installation may hold apt's lock for a while
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq mmdebstrap >/dev/null && break
        [ $try -lt 6 ] || exit 1
        sleep 20
    done
fi

# The Debian mirror the host's apt uses.
mirror=$({
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /:\/\//) { print $i; break } }'
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '$1 == "URIs:" { print $2 }'
} | grep -E '/debian/?$' | head -1) || true
mirror=${mirror:-http://deb.debian.org/debian}
say "$release from $mirror${host_deb:+; also installs $host_deb}"

# Each step's output stays in build-release/RELEASE/ (which git ignores).
logs=$PLUMBRIX_SRC/build-release/$release
rm -rf "$logs" && mkdir -p "$logs"
work=$(mktemp -d "${TMPDIR:-/var/tmp}/plumbrix-$release.XXXXXX")
ns=
cleanup() {
    trap '' INT TERM
    # unshare ignores SIGINT and SIGTERM while it waits; killed, it takes its
    # child (--kill-child) and so the whole namespace with it.
    [ -z "$ns" ] || { kill -KILL "$ns" 2>/dev/null; wait "$ns"; } || true
    # The namespace's processes die with it; wait until none is left in the root.
    for _ in $(seq 30); do
        ls -l /proc/[0-9]*/root 2>/dev/null | grep -qF " -> $work/" || break
        sleep 1
    done
    if grep -qF " $work/" /proc/mounts; then
        say "Something is still mounted under $work; left as it is."
    else
        rm -rf --one-file-system "$work"
    fi
}
trap cleanup EXIT
trap 'say "interrupted"; exit 130' INT TERM

# In a process group of its own (set -m), so that it keeps the usual signal
# handlers (a background job would ignore SIGINT); the traps above end it.
set -m
unshare --mount --pid --fork --kill-child --propagation private "$BASH" "$0" --inside "$release" "$work" "$mirror" "$logs" &
ns=$!
set +m
status=0
wait $ns || status=$?
ns=
[ $status -eq 0 ] && say "$release: all green in $((SECONDS - total)) s" ||
    say "$release: FAILED after $((SECONDS - total)) s"
exit $status
