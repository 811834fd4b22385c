# Shared by ./play and ./run-tests: install missing Debian packages, configure and build.

ensure_packages() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    # Another apt at work on the machine is waited for, not failed on.
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 \
        install -y -qq "${missing[@]}"
}

GAME_PACKAGES=(g++ cmake ninja-build freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri libpng-dev)

# build_tree DIR [cmake options...]
build_tree() {
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

# The Windows game's cross-build (tools/build-windows), and what playing it under Wine needs.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64 cmake ninja-build dpkg-dev)
WINE_PACKAGES=(wine wine64 xvfb xdotool tmux imagemagick)
