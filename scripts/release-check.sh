#!/usr/bin/env bash
# Runs the test command in a fresh minimal root of a Debian release and
# architecture, as a newcomer on that system would, then installs the package
# built there (and the one in build-deb/ here, if it is for that architecture)
# and starts it as an ordinary user. The output of each step is kept in
# build-release/RELEASE-ARCH/.
# usage: scripts/release-check.sh bookworm|trixie|forky [ARCH]      (as root)
# ARCH is this machine's by default; i386 runs natively on amd64, and arm64,
# armhf and s390x run under qemu-user, which the check installs and registers
# with binfmt_misc for its own time.
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
    release=$2 arch=$3 emulated=$4 work=$5 mirror=$6 logs=$7
    root=$work/root
    extra=()
    if [ "$emulated" = yes ]; then
        extra=(PLUMBRIX_SANITIZED_TESTS=OFF)
        say "Left out under qemu-user: the sanitized twins of the unit tests (sanitized.*), as AddressSanitizer" \
            "cannot reserve its shadow memory there and LeakSanitizer stops under ptrace"
        # Mesa's llvmpipe crashes under qemu-user on s390x, and on armhf its
        # generated code calls the C library's floorf with the soft-float
        # convention, so floor, exp2 and pow come out wrong there (specular
        # highlights about twice as bright, on real hardware too): softpipe
        # draws what GL asks on both.
        if [ "$arch" = s390x ] || [ "$arch" = armhf ]; then
            extra+=(GALLIUM_DRIVER=softpipe)
            say "Drawn by Mesa's softpipe: llvmpipe crashes under qemu-user on s390x, and computes pow wrongly on armhf"
        fi
        # A sanitized binary under qemu once grew to 24 GB before the kernel
        # killed it.
        ulimit -v 12000000
    fi
    # A 32-bit root on a 64-bit kernel is told a 32-bit machine, as Debian's own
    # builds of it are.
    personality=()
    [ "$arch" != i386 ] || personality=(setarch linux32)
    aptopts=()
    # The mirror here is a frozen snapshot, and testing's Release file carries a
    # Valid-Until date that has passed on it; a live mirror would need nothing.
    # Stable releases carry no such date.
    [ "$release" = forky ] && aptopts=(--aptopt='Acquire::Check-Valid-Until "false"')
    phase "minimal root of $release $arch" "$logs/root.log" \
        mmdebstrap --mode=root --variant=minbase --arch="$arch" "${aptopts[@]}" "$release" "$root" "$mirror"
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
    mount -t proc proc "$root/proc"
    mount --rbind /dev "$root/dev"
    mount --rbind /sys "$root/sys"
    mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"

    mkdir "$root/root/plumbrix"
    git -C "$PLUMBRIX_SRC" ls-files -z --cached --others --exclude-standard |
        tar -C "$PLUMBRIX_SRC" --null -T - --ignore-failed-read -cf - | tar -C "$root/root/plumbrix" -xf -

    env=(/usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8
        "${extra[@]}")
    as_root=("${personality[@]}" chroot "$root" "${env[@]}" bash -c)
    offline=("${personality[@]}" unshare --net chroot "$root" "${env[@]}" bash -c)
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
        say "the build gives warnings on $release $arch"
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
        phase "start $deb" "$logs/start-${deb##*/}.log" "${personality[@]}" unshare --net \
            chroot --userspec=player:player "$root" /usr/bin/env -i "${extra[@]}" HOME=/home/player USER=player \
            PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games LANG=C.UTF-8 \
            xvfb-run -a -s "-screen 0 1024x768x24" sh /srv/start.sh
    done
    exit 0
fi

usage="usage: $0 bookworm|trixie|forky [amd64|i386|arm64|armhf|s390x]"
release=${1:-} host_arch=$(dpkg --print-architecture) arch=${2:-$host_arch}
case $release in
bookworm | trixie | forky) ;;
*) say "$usage"; exit 2 ;;
esac
qemu=
case $host_arch:$arch in
"$arch:$arch" | amd64:i386) ;;
*:arm64) qemu=qemu-aarch64 ;;
*:armhf) qemu=qemu-arm ;;
*:s390x) qemu=qemu-s390x ;;
*) say "$usage"; exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || { say "$0 makes a root with mmdebstrap and mounts in it: run it as root"; exit 2; }
total=$SECONDS
PLUMBRIX_SRC=$(cd "$(dirname "$0")/.." && pwd)
export PLUMBRIX_SRC
host_deb=$(ls "$PLUMBRIX_SRC"/build-deb/plumbrix_*_"$arch".deb 2>/dev/null | head -1) || true
export PLUMBRIX_HOST_DEB=$host_deb

source "$PLUMBRIX_SRC/scripts/setup.sh"
host_install() {
    for try in 1 2 3 4 5 6; do  # another installation may hold apt's lock for a while
        plumbrix_install "$@" >&2 && return
        [ $try -lt 6 ] || return 1
        sleep 20
    done
}
host_install mmdebstrap

# The Debian mirror the host's apt uses.
mirror=$({
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /:\/\//) { print $i; break } }'
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '$1 == "URIs:" { print $2 }'
} | grep -E '/debian/?$' | head -1) || true
mirror=${mirror:-http://deb.debian.org/debian}
say "$release $arch from $mirror${qemu:+, under $qemu}${host_deb:+; also installs $host_deb}"

# Each step's output stays in build-release/RELEASE-ARCH/ (which git ignores).
logs=$PLUMBRIX_SRC/build-release/$release-$arch
rm -rf "$logs" && mkdir -p "$logs"
work=$(mktemp -d "${TMPDIR:-/var/tmp}/plumbrix-$release-$arch.XXXXXX")
ns= binfmt=/proc/sys/fs/binfmt_misc mounted_binfmt= ours=()
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
    # Only the formats this check enabled: another process may be running one
    # that it found enabled.
    for format in "${ours[@]}"; do update-binfmts --disable "$format" || true; done
    [ -z "$mounted_binfmt" ] || umount "$binfmt" || true
}
trap cleanup EXIT
trap 'say "interrupted"; exit 130' INT TERM

enabled_formats() { grep -lx enabled "$binfmt"/qemu-* 2>/dev/null | sort || true; }
if [ -n "$qemu" ]; then
    if ! mountpoint -q "$binfmt"; then
        mount -t binfmt_misc binfmt_misc "$binfmt" && mounted_binfmt=yes
    fi
    # Installed, qemu-user-static registers every format it has: those count
    # as this check's too.
    before=$(enabled_formats)
    host_install qemu-user-static binfmt-support
    [ "$(head -1 "$binfmt/$qemu" 2>/dev/null)" = enabled ] || update-binfmts --enable "$qemu"
    mapfile -t ours < <(comm -13 <(printf '%s\n' "$before") <(enabled_formats) | sed 's|.*/||')
fi

# In a process group of its own (set -m), so that it keeps the usual signal
# handlers (a background job would ignore SIGINT); the traps above end it.
set -m
unshare --mount --pid --fork --kill-child --propagation private "$BASH" "$0" --inside "$release" "$arch" \
    "${qemu:+yes}" "$work" "$mirror" "$logs" &
ns=$!
set +m
status=0
wait $ns || status=$?
ns=
[ $status -eq 0 ] && say "$release $arch: all green in $((SECONDS - total)) s" ||
    say "$release $arch: FAILED after $((SECONDS - total)) s"
exit $status
