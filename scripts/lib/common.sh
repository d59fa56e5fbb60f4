# shellcheck shell=bash
# Shared by the project's scripts: where things are, and installing the Debian packages a step needs.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

# The packages every build needs.
# qttranslations5-l10n: the toolkit's own catalogues, which the client loads beside its own and the Windows
# packages carry. qtbase5-private-dev: the simulated listener (tests, demo) switches the toolkit's accessibility on
# through its platform layer, as a screen reader does, to hear what one is told.
# shellcheck disable=SC2034 # used by the scripts that source this
build_packages=(build-essential cmake qtbase5-dev qtbase5-private-dev libqt5serialport5-dev qttools5-dev
    qttools5-dev-tools qttranslations5-l10n)

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

# configure_and_build <build dir> [cmake options...] [-- targets...]: configures the project into the build dir
# (RelWithDebInfo unless an option says otherwise) and builds the targets given, or everything.
configure_and_build() {
    local dir=$1
    shift
    local options=() targets=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do
        options+=("$1")
        shift
    done
    [ $# -gt 0 ] && shift
    targets=("$@")
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}"
    if [ ${#targets[@]} -gt 0 ]; then
        cmake --build "$dir" -j "$jobs" --target "${targets[@]}"
    else
        cmake --build "$dir" -j "$jobs"
    fi
}

# source_date_epoch: the time every package and signature of this tree records, the last commit's (for a tree that
# is no git clone, the time given by SOURCE_DATE_EPOCH, or now), exported as SOURCE_DATE_EPOCH.
source_date_epoch() {
    if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
        SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)
    fi
    export SOURCE_DATE_EPOCH
}

# write_checksums <folder> FILE...: SHA256SUMS in the folder for the named files in it, as sha256sum -c reads it.
write_checksums() {
    local folder=$1
    shift
    (cd "$folder" && sha256sum -- "$@" >SHA256SUMS)
}

# signing_certificate <folder>: the certificate the Windows packages are signed with: the one a release names in
# KZ_SIGN_PKCS12 (docs/windows.md, "Signing"), otherwise a test certificate made in the folder, so that the signing
# steps run and are checked all the same.
signing_certificate() {
    [ -z "${KZ_SIGN_PKCS12:-}" ] || return 0
    "$root/scripts/lib/sign-windows" --make-test-certificate "$1"
    export KZ_SIGN_PKCS12="$1/test.p12" KZ_SIGN_PASSWORD_FILE="$1/password"
}

# release_table [TABLE]: the release table (resources/releases.txt, or TABLE) as cmake/release.cmake reads it: one
# release a line, oldest first, its number, build, date (or -) and note separated by tabs. Fails on a malformed table.
release_table() {
    cmake ${1:+"-DKZ_RELEASES=$1"} -P "$root/cmake/release.cmake"
}

# project_version <build dir>: the release a configured build tree is made for, as CMake wrote it there.
project_version() {
    cat "$1/version.txt"
}

# version_before X.Y.Z: a version lower than it, for the upgrade from the build before: the patch one lower, or where
# that is 0 the highest of the minor or major before.
version_before() {
    local major minor patch
    IFS=. read -r major minor patch <<<"$1"
    if [ "$patch" -gt 0 ]; then
        echo "$major.$minor.$((patch - 1))"
    elif [ "$minor" -gt 0 ]; then
        echo "$major.$((minor - 1)).999"
    else
        echo "$((major - 1)).999.999"
    fi
}

# version_after X.Y.Z: the version after it, fields of at most 255 (as the device's version fields are), a full one
# carried into the field before.
version_after() {
    local major minor patch
    IFS=. read -r major minor patch <<<"$1"
    if [ "$patch" -lt 255 ]; then
        echo "$major.$minor.$((patch + 1))"
    elif [ "$minor" -lt 255 ]; then
        echo "$major.$((minor + 1)).0"
    else
        echo "$((major + 1)).0.0"
    fi
}

# project_title <build dir>: the client's window title in that build tree, as CMake wrote it there.
project_title() {
    cat "$1/title.txt"
}

# on_exit COMMAND: runs COMMAND (one shell word list, as for eval) when the script exits, after every command given
# later; a caller's own cleanups and those of the helpers it uses all run.
exit_commands=()
run_exit_commands() {
    local command
    for command in "${exit_commands[@]}"; do
        eval "$command" || true
    done
}
on_exit() {
    exit_commands=("$1" "${exit_commands[@]}")
    trap run_exit_commands EXIT
}

# in_root <root> COMMAND ARGS...: runs COMMAND inside a Debian root made by debootstrap, with a clean environment.
in_root() {
    local target=$1
    shift
    chroot "$target" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}

# archive_uri SUITE: the address from which this machine's apt sources fetch SUITE, from deb822 ".sources" files or
# one-line ".list" files, so that a machine that gets its packages from a mirror of its own (a company's, an offline
# one) builds from that mirror too. Fails, saying so, where no source names the suite.
archive_uri() {
    local suite=$1 uri
    uri=$(awk -v RS='' -v suite="$suite" '{
            uri = ""; found = 0
            n = split($0, lines, "\n")
            for (i = 1; i <= n; i++) {
                m = split(lines[i], field, " ")
                if (field[1] == "URIs:") uri = field[2]
                if (field[1] == "Suites:") for (j = 2; j <= m; j++) if (field[j] == suite) found = 1
            }
            if (found && uri != "") { print uri; exit }
        }' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
    if [ -z "$uri" ]; then
        uri=$(sed -n -E "s/^deb(-src)?[[:space:]]+(\[[^]]*\][[:space:]]+)?([^[:space:]]+)[[:space:]]+${suite}[[:space:]].*/\3/p" \
            /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | head -n 1 || true)
    fi
    [ -n "$uri" ] || { echo "no apt source of this machine serves $suite" >&2; return 1; }
    echo "$uri"
}
