# Sourced by run.sh and test.sh: the .reg file given to the run command.
#   tessary_reg_prepare FILE OUT
# Says in one line why FILE cannot be used (missing, unreadable, not text, not a
# registry export) and returns 1; warns when it holds no overlay key. Otherwise
# writes OUT: FILE as UTF-16 with a byte-order mark, which `reg import` reads
# whatever the code page (regedit exports UTF-16; the demo is UTF-8).

tessary_reg_prepare() {
    local file=$1 out=$2 text first
    if [ ! -e "$file" ]; then
        echo "run.sh: $file: no such file" >&2
        return 1
    fi
    if [ -d "$file" ]; then
        echo "run.sh: $file: is a folder, not a .reg file" >&2
        return 1
    fi
    if [ ! -r "$file" ]; then
        echo "run.sh: $file: cannot be read" >&2
        return 1
    fi
    if [ "$(head -c 2 "$file" | od -An -tx1 | tr -d ' \n')" = fffe ]; then
        text=$(iconv -f UTF-16 -t UTF-8 "$file" 2>/dev/null) || {
            echo "run.sh: $file: not a registry export (not valid UTF-16 text)" >&2
            return 1
        }
    else
        text=$(iconv -f UTF-8 -t UTF-8 "$file" 2>/dev/null) || {
            echo "run.sh: $file: not a registry export (neither UTF-16 nor UTF-8 text)" >&2
            return 1
        }
        text=${text#$'\xEF\xBB\xBF'}
    fi
    first=$(head -n 1 <<<"$text" | tr -d '\r')
    case "$first" in
    "Windows Registry Editor Version 5.00" | REGEDIT4) ;;
    *)
        echo "run.sh: $file: not a registry export (it does not begin with \"Windows Registry Editor Version 5.00\")" >&2
        return 1
        ;;
    esac
    if ! grep -qi '^\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers[]\\]' <<<"$text"; then
        echo "run.sh: $file holds no ShellIconOverlayIdentifiers key: the list will be empty" >&2
    fi
    { printf '\xff\xfe'; printf '%s\n' "$text" | sed 's/\r$//; s/$/\r/' | iconv -f UTF-8 -t UTF-16LE; } >"$out"
}
