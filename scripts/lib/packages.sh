# Installs the Debian packages that are missing, once, through sudo when not root.
# Usage: ensure_packages NAME...

ensure_packages() {
    local missing=()
    local name
    for name in "$@"; do
        dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$name")
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "Missing packages (${missing[*]}) and no sudo to install them." >&2; return 1; }
        sudo=(sudo)
    fi
    echo "Installing missing packages: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# What building the app needs.
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev nlohmann-json3-dev libicu-dev
                duktape-dev fonts-dejavu-core qt6-tools-dev qt6-l10n-tools scdoc)
# From Debian 13 on, LayerShellQt pins the panel to a screen corner on Wayland compositors
# that allow it; Debian 12 has none for Qt 6 and builds without.
debian_major=$(. /etc/os-release 2>/dev/null && echo "${VERSION_ID%%.*}")
if [ "${debian_major:-0}" -ge 13 ] 2>/dev/null; then
    BUILD_PACKAGES+=(liblayershellqtinterface-dev libwayland-dev)
fi

# What running it needs on top: Qt's Wayland platform, without which it cannot start in a
# Wayland session that offers no X server.
RUN_PACKAGES=(qt6-wayland)

# What the tests, benchmarks and fuzzers need on top.
TEST_PACKAGES=(googletest libgtest-dev libgmock-dev libbenchmark-dev clang
               xvfb xauth trayer tint2 xfce4-panel lxqt-panel openbox gnome-shell
               gnome-shell-extension-appindicator librsvg2-common xdotool dbus dbus-x11
               libglib2.0-bin x11-utils imagemagick libxcb1-dev bc dpkg-dev file appstream
               desktop-file-utils lintian man-db qt6-svg-dev plasma-workspace plasma-desktop kwin-x11
               dunst
               python3 at-spi2-core python3-gi gir1.2-atspi-2.0 bindfs)

# libFuzzer's runtime, in the package named after the version of the installed clang.
clang_runtime_package() {
    echo "libclang-rt-$(clang --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -1)-dev"
}

# The host's apt settings as mmdebstrap options, so that a root made here reaches what this
# machine reaches. Hooks stay out: they call the host's programs, which Debian 13's apt runs inside
# the half-made root (appstream's, after every update, fails there). So do settings that throw
# away downloaded packages: the callers keep them.
host_apt_options() {
    local conf
    for conf in /etc/apt/apt.conf.d/*; do
        [ -f "$conf" ] && ! grep -q 'Invoke\|Pre-Install-Pkgs\|pkgcache ""' "$conf" \
            && echo "--aptopt=$conf"
    done
    return 0
}

# The Debian 13 root that scripts/wayland-hosts runs today's Wayland desktops in: what builds the
# app there (GCC 14, Qt 6.8) and the hosts with what drives them (grim for screenshots, wtype for a
# virtual keyboard, Wayland's client library for the tests' virtual pointer). Changing the list
# makes the cached root anew.
WAYLAND_ROOT_PACKAGES=(cmake ninja-build g++ ccache pkg-config qt6-base-dev qt6-wayland qt6-svg-dev
                       nlohmann-json3-dev libicu-dev duktape-dev fonts-dejavu-core googletest
                       libgtest-dev libgmock-dev liblayershellqtinterface-dev dbus dbus-daemon
                       libglib2.0-bin librsvg2-common hicolor-icon-theme xwayland libgl1-mesa-dri
                       sway waybar grim wtype gnome-shell gnome-shell-extension-appindicator
                       plasma-workspace plasma-desktop kwin-wayland kded6 kactivitymanagerd
                       kglobalacceld libwayland-dev qt6-tools-dev qt6-l10n-tools scdoc python3)
