#!/usr/bin/env bash
# The release's version, from the version block of res/Tessary.rc:
#   scripts/release-version.sh        prints it, for example 1.0.0.1
#   scripts/release-version.sh TAG    the same, but fails unless TAG is v followed by it
# The release job runs the second form before it builds anything, so that a zip
# is never named after a version that its tag does not give. FILEVERSION,
# PRODUCTVERSION and the two strings must agree: Explorer shows each of them.
set -euo pipefail
cd "$(dirname "$0")/.."
rc=$(tr -d '\r' <res/Tessary.rc)
string() { sed -n "s/^ *VALUE \"$1\", \"\\([^\"]*\\)\".*/\\1/p" <<<"$rc"; }
number() { sed -n "s/^ *$1 *\\([0-9]*\\), *\\([0-9]*\\), *\\([0-9]*\\), *\\([0-9]*\\) *\$/\\1.\\2.\\3.\\4/p" <<<"$rc"; }

version=$(string FileVersion)
if ! [[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
    echo "release-version.sh: res/Tessary.rc: no FileVersion of four numbers in the version block" >&2
    exit 1
fi
for other in "$(string ProductVersion)" "$(number FILEVERSION)" "$(number PRODUCTVERSION)"; do
    if [ "$other" != "$version" ]; then
        echo "release-version.sh: res/Tessary.rc: FILEVERSION, PRODUCTVERSION, FileVersion and ProductVersion differ" >&2
        exit 1
    fi
done
if (($#)) && [ "$1" != "v$version" ]; then
    echo "release-version.sh: the tag $1 is not v$version, the version in res/Tessary.rc" >&2
    exit 1
fi
echo "$version"
