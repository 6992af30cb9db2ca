# Shared by the README's commands: installs what a fresh Debian 12 machine lacks, then builds.
# Sourced, not run.

# Debian packages the build, the tests and the demo need. The package test validates and packs
# what it installs and drives the installed program from the keyboard on a virtual display; the
# attention test reads the window's state under a window manager; the share test serves a Samba
# share on loopback, mounts it through gvfs and reads the status's colour off the screen.
KIVRA_PACKAGES=(cmake ninja-build g++ qt6-base-dev libxcb1-dev libfontconfig-dev qt6-translations-l10n fonts-liberation2
                xvfb xauth xdotool openbox x11-utils
                desktop-file-utils appstream dpkg-dev
                samba gvfs-fuse gvfs-backends dbus imagemagick)
# What the Windows build adds: MinGW-w64, Wine to run the tests, msitools for the MSI, osslsigncode to
# sign it (openssl for CI's test certificate), bindfs for a share that can hang.
KIVRA_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine wine64 wixl msitools osslsigncode openssl bindfs)

kivra_install() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Mancano dei pacchetti. Installarli con:" >&2
        echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "Installo: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}"
}

# kivra_build BUILD_DIR BUILD_TYPE [cmake options...]
kivra_build() {
    local dir=$1 type=$2
    shift 2
    cmake -S "$KIVRA_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@"
    cmake --build "$dir"
}

KIVRA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
