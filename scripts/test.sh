#!/usr/bin/env bash
# Runs every test: the portable logic natively (with AddressSanitizer and
# UndefinedBehaviorSanitizer, and a bounded fuzzing run), then the real
# Tessary.exe, cross-built, under Wine and Xvfb, then the release package.
# Everything it writes goes under build/: the checkout stays as it was.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh

echo "== Generated sources are current"
python3 scripts/make-upper-case-table.py --check

echo "== Every portable file includes what it uses"
scripts/check-includes.sh

echo "== The CI workflow is valid"
# GitHub's own workflow parser and its dependencies from the npm registry, at
# fixed versions, bundled by esbuild for the Node.js at hand; kept under build/.
checker=build/workflow-check
if [ ! -f "$checker/check-workflow.cjs" ]; then
    npm install --prefix "$checker" --no-audit --no-fund --loglevel=error @actions/workflow-parser@0.3.61 \
        @actions/expressions@0.3.61 yaml@2.9.1 cronstrue@2.61.0 esbuild@0.25.0 >/dev/null
    cp scripts/check-workflow.mjs "$checker/"
    "$checker/node_modules/.bin/esbuild" "$checker/check-workflow.mjs" --bundle --platform=node --target=node18 \
        --format=cjs --log-level=warning --outfile="$checker/check-workflow.cjs"
fi
node "$checker/check-workflow.cjs" .github/workflows/ci.yml

echo "== Native build and tests"
cmake --preset native >/dev/null
cmake --build build/native
ctest --test-dir build/native --output-on-failure -j2

echo "== Fuzzing the ordering core (bounded)"
cmake --preset fuzz >/dev/null
cmake --build build/fuzz --target fuzz_plan
mkdir -p build/fuzz/corpus
# New inputs go to build/fuzz/corpus; the committed seeds are only read. A fixed
# random seed keeps the run repeatable; set TESSARY_FUZZ_SEED=0 for a fresh one.
build/fuzz/tests/fuzz_plan -seed="${TESSARY_FUZZ_SEED:-1}" -max_total_time="${TESSARY_FUZZ_SECONDS:-45}" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix=build/fuzz/ build/fuzz/corpus tests/fuzz/corpus 2>&1 | grep -E '^(stat::|#[0-9]+[[:space:]]+DONE)|ERROR|SUMMARY|broken|Test unit written'

echo "== Windows build"
scripts/build-windows.sh
scripts/footprint.sh build/win/Tessary.exe

echo "== Tessary.exe under Wine"
(
    . scripts/wine-env.sh
    trap tessary_wine_cleanup EXIT
    tessary_display
    rm -rf build/wine-prefix
    tessary_prefix "$root/build/wine-prefix"
    wineserver -p 60 </dev/null >/dev/null 2>&1 || true  # kept warm between the tests
    ctest --test-dir build/win --output-on-failure
)
# scripts/refresh-screenshots.sh copies them into docs/.
mkdir -p build/screenshots
for shot in build/win/screenshots/*.bmp; do
    convert "$shot" "build/screenshots/$(basename "${shot%.bmp}").png"
done

echo "== Release package"
rm -rf build/dist
scripts/package.sh build/win build/dist
zip=$(echo build/dist/Tessary-*-win-x64.zip)
(cd build/dist && sha256sum --check --quiet "$(basename "$zip").sha256")
[ "$(unzip -Z1 "$zip" | tr '\n' ' ')" = "Tessary.exe LICENSE.txt guide-en.txt guide-ja.txt " ]
unzip -p "$zip" Tessary.exe | cmp - build/win/Tessary.exe
for text in LICENSE.txt guide-en.txt guide-ja.txt; do
    # UTF-8 with a byte-order mark, and every line ended by CRLF.
    unzip -p "$zip" "$text" | python3 -c 'import sys; b = sys.stdin.buffer.read(); b.decode("utf-8")
assert b.startswith(b"\xef\xbb\xbf") and b.endswith(b"\r\n") and b.count(b"\n") == b.count(b"\r\n"), sys.argv[1]' "$text"
done

echo "== The same exe and zip from another directory"
rm -rf build/repro && mkdir -p build/repro/tessary
tar -c --exclude=./build --exclude=./dist --exclude=./.git . | tar -x -C build/repro/tessary
(
    cd build/repro/tessary
    cmake --preset windows >/dev/null
    cmake --build build/win --target Tessary >/dev/null
    scripts/package.sh build/win build/dist >/dev/null
)
cmp build/win/Tessary.exe build/repro/tessary/build/win/Tessary.exe
cmp "$zip" "build/repro/tessary/$zip"
echo "identical: Tessary.exe and $(basename "$zip")"

echo "== The release's signature check: Tessary.exe signed with a throwaway RSA certificate passes, and is packed unchanged"
sign=build/signing
rm -rf "$sign" && mkdir -p "$sign"
openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=Tessary-test -days 1 -keyout "$sign/rsa.key" -out "$sign/rsa.crt" 2>/dev/null
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj /CN=Tessary-test -days 1 \
    -keyout "$sign/ec.key" -out "$sign/ec.crt" 2>/dev/null
sign_with() { osslsigncode sign -certs "$sign/$1.crt" -key "$sign/$1.key" -in "$2" -out "$3" >/dev/null; }
flip() { python3 -c 'import sys; b = bytearray(open(sys.argv[1], "rb").read()); b[4096] ^= 1; open(sys.argv[2], "wb").write(b)' "$@"; }
sign_with rsa build/win/Tessary.exe "$sign/signed.exe"
scripts/verify-signature.sh "$sign/signed.exe" build/win/Tessary.exe "$sign/rsa.crt"
scripts/package.sh build/win "$sign/dist" "$sign/signed.exe" >/dev/null
unzip -p "$sign"/dist/Tessary-*-win-x64.zip Tessary.exe | cmp - "$sign/signed.exe"
echo "== ... and refuses one changed after signing, one signed with ECC, and one changed before signing"
sign_with ec build/win/Tessary.exe "$sign/ecc.exe"
flip "$sign/signed.exe" "$sign/changed-after.exe"
flip build/win/Tessary.exe "$sign/changed.exe" && sign_with rsa "$sign/changed.exe" "$sign/changed-before.exe"
for refused in "changed-after rsa does not verify" "ecc ec not RSA" "changed-before rsa differs"; do
    read -r exe ca reason <<<"$refused"
    if message=$(scripts/verify-signature.sh "$sign/$exe.exe" build/win/Tessary.exe "$sign/$ca.crt" 2>&1) ||
        [[ "$message" != *"$reason"* ]]; then
        echo "FAIL: verify-signature.sh $exe.exe: $message" >&2
        exit 1
    fi
done

echo "== A release's tag is v and the version in res/Tessary.rc, as the release job checks"
version=$(scripts/release-version.sh)
scripts/release-version.sh "v$version" >/dev/null
for tag in "$version" "v${version}0"; do
    if scripts/release-version.sh "$tag" 2>/dev/null; then
        echo "FAIL: release-version.sh accepts the tag $tag" >&2
        exit 1
    fi
done

echo "== The run and package commands answer bad input"
. scripts/reg-file.sh
# Started from another folder, run.sh reads a relative path from there.
for bad in "no-such.reg: no such file" "../README.md: not a registry export"; do
    if message=$(cd build && ../scripts/run.sh "${bad%%: *}" 2>&1) || [[ "$message" != "run.sh: $bad"* ]]; then
        echo "FAIL: run.sh ${bad%%: *}: $message" >&2
        exit 1
    fi
done
# As on a fresh clone: one line saying what to run first.
if message=$(scripts/package.sh build/no-such build/no-dist 2>&1) || [[ "$message" != "package.sh: "*" first" ]]; then
    echo "FAIL: package.sh without a build: $message" >&2
    exit 1
fi
# regedit exports UTF-16 with CRLF, with or without the line that deletes the key first.
utf16() { printf '\xff\xfe' && sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE; }
utf16 <res/demo/overlays.reg >build/export.reg
grep -v '^\[-' res/demo/overlays.reg | utf16 >build/merge.reg
for export in build/export.reg build/merge.reg; do
    message=$(tessary_reg_prepare "$export" build/import.reg 2>&1) || true
    [ -z "$message" ] || { echo "FAIL: $export: $message" >&2; exit 1; }
    iconv -f UTF-16 -t UTF-8 build/import.reg | grep -q 'ＶＣＳ状態1'
done
echo "All tests passed."
