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

# start_xvfb [FIRST]: starts a private Xvfb on the first free display from :FIRST (default 90),
# exports DISPLAY and waits until it answers. The caller kills $XVFB_PID when done.
XVFB_PID=""
start_xvfb() {
    local first=${1:-90}
    for n in $(seq "$first" $((first + 30))); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$n"
        break
    done
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

# The Windows game's cross-build (tools/build-windows), and what playing it under Wine needs.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64 cmake ninja-build dpkg-dev)
WINE_PACKAGES=(wine wine64 xvfb xdotool tmux imagemagick)
