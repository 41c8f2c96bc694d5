#!/usr/bin/env bash
# Makes the release from a Windows build:
#   scripts/package.sh [BUILD-DIRECTORY [OUTPUT-DIRECTORY [SIGNED-EXE]]]    (build/win, dist)
# writes Tessary-<version>-win-x64.zip and its .sha256 (sha256sum's format). The
# zip holds Tessary.exe, LICENSE.txt and the guides as text that Notepad reads on
# every Windows version (UTF-8 with a byte-order mark, CRLF). The version is the
# FileVersion of the version block in res/Tessary.rc (scripts/release-version.sh).
# Fixed times, order and permissions make the same sources give the same zip
# from any directory. SIGNED-EXE, the build's Tessary.exe as the signing service
# returned it and scripts/verify-signature.sh passed it, goes into the zip
# unchanged: strip would drop its signature.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win}
out=${2:-dist}
signed=${3:-}

# On a fresh clone: one line that says what to run first, never a tool's error.
for tool in x86_64-w64-mingw32-strip python3 sha256sum; do
    if ! command -v "$tool" >/dev/null; then
        echo "package.sh: $tool is missing: run scripts/install-deps.sh first" >&2
        exit 1
    fi
done
if [ ! -f "$build/Tessary.exe" ]; then
    echo "package.sh: there is no $build/Tessary.exe: run scripts/build-windows.sh Tessary first" >&2
    exit 1
fi
if [ -n "$signed" ] && [ ! -f "$signed" ]; then
    echo "package.sh: there is no $signed" >&2
    exit 1
fi

version=$(scripts/release-version.sh)
name=Tessary-$version-win-x64
mkdir -p "$out"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

if [ -n "$signed" ]; then
    cp "$signed" "$stage/Tessary.exe"
else
    # strip would stamp the current time into the PE header without the epoch.
    SOURCE_DATE_EPOCH=0 x86_64-w64-mingw32-strip -o "$stage/Tessary.exe" "$build/Tessary.exe"
fi

python3 - "$stage" "$out/$name.zip" <<'PY'
import re
import sys
import unicodedata
import zipfile

stage, target = sys.argv[1], sys.argv[2]


def width(text):
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in text)


def plain(markdown):
    """The guide as plain text: headings underlined, no pictures, links spelled out."""
    lines = []
    for line in markdown.splitlines():
        if re.fullmatch(r"\s*!\[[^\]]*\]\([^)]*\)\s*", line):
            continue  # a screenshot: the text stands without it
        line = re.sub(r"\[([^\]]+)\]\((https?://[^)]+)\)", r"\1 (\2)", line)
        line = re.sub(r"\[([^\]]+)\]\([^)]+\)", r"\1", line)
        line = line.replace("**", "").replace("`", "")
        heading = re.match(r"(#+)\s+(.*)", line)
        if heading:
            line = heading.group(2)
        lines.append(line)
        rule = {1: "=", 2: "-"}.get(len(heading.group(1))) if heading else None
        if rule:
            lines.append(rule * width(line))
    text = "\n".join(lines).strip("\n") + "\n"
    text = re.sub(r"\n{3,}", "\n\n", text)
    return text


def notepad(text):
    return "\ufeff".encode() + text.replace("\n", "\r\n").encode("utf-8")


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


with open(f"{stage}/Tessary.exe", "rb") as f:
    exe = f.read()
entries = [
    ("Tessary.exe", exe),
    ("LICENSE.txt", notepad(read("LICENSE"))),
    ("guide-en.txt", notepad(plain(read("docs/guide.md")))),
    ("guide-ja.txt", notepad(plain(read("docs/guide.ja.md")))),
]
with zipfile.ZipFile(target, "w") as archive:
    for name, data in entries:
        info = zipfile.ZipInfo(name, date_time=(2000, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 0  # MS-DOS: no Unix owner or mode
        info.external_attr = 0x20  # archive
        archive.writestr(info, data, compresslevel=9)
PY

(cd "$out" && sha256sum "$name.zip" >"$name.zip.sha256")
echo "$out/$name.zip: $(cut -d' ' -f1 "$out/$name.zip.sha256")"
