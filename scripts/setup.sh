# Shared by play.sh and test.sh: installs what is missing on Debian or Ubuntu,
# then configures and builds in build/. Sourced, not run.

plumbrix_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Packages for building and playing.
plumbrix_packages=(g++ make cmake pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri libx11-dev libpng-dev)
# Packages the tests need on top: a virtual display and a key sender, the
# tests' libraries, ACLs for the best-score file's tests, and the
# tools that build the Debian package and check it (hardening-check is in
# devscripts, the catalogue maker in appstream-compose, GLib's launcher in
# libglib2.0-bin).
plumbrix_test_packages=(googletest libgtest-dev xvfb xauth xdotool acl
                        dpkg-dev lintian desktop-file-utils appstream appstream-compose libglib2.0-bin
                        man-db file devscripts)

plumbrix_install() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    if ! command -v apt-get >/dev/null; then
        echo "Please install the equivalents of these Debian packages: ${missing[*]}" >&2
        return 1
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null; then
            sudo=(sudo)
        else
            echo "Missing packages; as root, run: apt-get install -y ${missing[*]}" >&2
            return 1
        fi
    fi
    echo "Installing: ${missing[*]}"
    # Without their recommendations: devscripts alone would bring some ninety
    # packages (38 MB) that nothing here uses.
    "${sudo[@]}" apt-get update -qq &&
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || {
        echo "Could not install the packages; as root, run: apt-get install -y ${missing[*]}" >&2
        return 1
    }
}

plumbrix_build() {
    cmake -S "$plumbrix_root" -B "$plumbrix_root/build" "$@" >/dev/null &&
        cmake --build "$plumbrix_root/build" -j"$(nproc 2>/dev/null || echo 2)"
}
