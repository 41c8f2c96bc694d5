#!/usr/bin/env bash
# Every portable source and header includes the headers of what it uses.
# Microsoft's standard library pulls in fewer headers than GCC's; libc++ with
# its transitive includes removed is the nearest stand-in on Debian, so each
# file is compiled on its own, syntax only, against it.
set -euo pipefail
cd "$(dirname "$0")/.."

check() {
    echo "#include \"$1\"" | clang++-16 -x c++ - -fsyntax-only -std=c++20 -stdlib=libc++ \
        -D_LIBCPP_REMOVE_TRANSITIVE_INCLUDES -I. -Itests -Wall -Wextra -Wpedantic -Werror
}
export -f check
find core settings ui tests bench \( -name '*.cpp' -o -name '*.h' \) -not -path '*/win32/*' -print0 |
    sort -z | xargs -0 -n1 -P2 bash -c 'check "$0" || { echo "check-includes.sh: $0" >&2; exit 255; }'
echo "every portable file compiles alone against libc++ without transitive includes"
