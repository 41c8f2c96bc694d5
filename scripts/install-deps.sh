#!/usr/bin/env bash
# Installs the Debian 12 packages that the build, the tests and the run need,
# unless they are all there already.
set -euo pipefail

# libclang-rt-14-dev holds libFuzzer and the sanitizer runtimes; clang only
# recommends it, and minimal images leave recommendations out. clang-16 with
# libc++-16-dev checks the includes (scripts/check-includes.sh); libc++-16
# replaces libc++1-14, which nothing here uses. osslsigncode, openssl and the
# certificate bundle check a signed Tessary.exe (scripts/verify-signature.sh),
# in the release and in the test command.
packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev googletest libbenchmark-dev
    clang-16 libc++-16-dev
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine wine64 xvfb x11-utils imagemagick fonts-ipafont-gothic fonts-wine locales
    python3 unicode-data unzip
    osslsigncode openssl ca-certificates
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
# npm fetches the workflow validator; a Node.js from elsewhere will do.
command -v npm >/dev/null || missing+=(nodejs npm)

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Wine reports Japanese as the interface language only under a Japanese locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
    "${sudo_cmd[@]}" locale-gen >/dev/null
fi
