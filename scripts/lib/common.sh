# Shared by the project's scripts: where things are, and installing the Debian packages a step needs.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

# The packages every build needs.
# qttranslations5-l10n: the toolkit's own catalogues, which the client loads beside its own and the Windows
# packages carry.
build_packages=(build-essential cmake qtbase5-dev libqt5serialport5-dev qttools5-dev qttools5-dev-tools
    qttranslations5-l10n)

apt_updated=0
# ensure_packages pkg...: installs those of the given Debian packages that are missing (apt-get update once first).
ensure_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    echo "Installing missing packages: ${missing[*]}"
    if [ $apt_updated -eq 0 ]; then
        $sudo apt-get update -q
        apt_updated=1
    fi
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# configure_and_build <build dir> [cmake options...]
configure_and_build() {
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" -j "$jobs"
}
