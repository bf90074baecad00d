# Shared by the scripts: installs missing Debian packages and manages the display.

dovetta_packages=(cmake ninja-build g++ mingw-w64 wine wine64 fonts-wine xvfb googletest libgtest-dev zlib1g-dev
                  libz-mingw-w64-dev libstb-dev python3 imagemagick time clang libclang-rt-14-dev)

dovetta_setup() {
  local missing=()
  for p in "${dovetta_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get update -qq
    # With the recommended packages: Wine needs them for its X11 driver and fonts.
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
}

# One Xvfb for the whole run, unless a display is already there.
dovetta_start_display() {
  if [ -z "${DISPLAY:-}" ]; then
    local n
    for n in $(seq 20 80); do
      if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then
        Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
        DOVETTA_XVFB_PID=$!
        export DISPLAY=:$n
        for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
        return 0
      fi
    done
  fi
}

dovetta_stop_display() {
  # Best effort, and never a failure of the caller (which may run with errexit): a server that
  # has already ended makes "wineserver -k" fail.
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k 2>/dev/null || true; fi
  for p in build/windows/wineprefix; do
    if [ -d "$p" ]; then WINEPREFIX="$PWD/$p" wineserver -k 2>/dev/null || true; fi
  done
  if [ -n "${DOVETTA_XVFB_PID:-}" ]; then kill "$DOVETTA_XVFB_PID" 2>/dev/null || true; fi
  return 0
}
