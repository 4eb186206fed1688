#!/usr/bin/env bash
# Checks a built Rowlark package: its exact file list and permissions, that dpkg-shlibdeps gave it
# its dependencies, that the desktop entry and the AppStream metadata pass their validators and
# point at files the package has, and that the packaged rowlark-diff runs.
# With --install (as root, on a machine without a rowlark package) it also installs the package,
# runs rowlark-diff from the path and starts rowlark with the desktop entry's own command, then
# purges the package and checks that none of its files is left.
#
# Usage: packaging/check-deb.sh [--install] rowlark_VERSION_ARCH.deb
# Needs dpkg-dev, desktop-file-utils and appstream (and apt for --install).
set -euo pipefail

install=0
if [ "${1:-}" = --install ]; then
    install=1
    shift
fi
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "usage: $0 [--install] PACKAGE.deb" >&2
    exit 2
fi
deb=$(realpath "$1")
examples=$(cd "$(dirname "$0")/../examples" && pwd)
app_id=org.example.rowlark

failures=0
fail() {
    echo "check-deb: FAIL: $*" >&2
    failures=$((failures + 1))
}
pass() {
    echo "check-deb: ok: $*"
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# --- The package's files ---------------------------------------------------------------------
expected_files="/usr/bin/rowlark
/usr/bin/rowlark-diff
/usr/share/applications/$app_id.desktop
/usr/share/icons/hicolor/scalable/apps/rowlark.svg
/usr/share/man/man1/rowlark-diff.1.gz
/usr/share/man/man1/rowlark.1.gz
/usr/share/metainfo/$app_id.metainfo.xml
/usr/share/rowlark/Rowlark.html"
dpkg-deb --contents "$deb" >"$work/contents"
files=$(awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' "$work/contents" | LC_ALL=C sort)
if [ "$files" = "$expected_files" ]; then
    pass "file list"
else
    fail "file list differs from the expected one:"
    diff <(echo "$expected_files") <(echo "$files") >&2 || true
fi
# Owned by root, programs 0755, everything else 0644, directories 0755.
bad_modes=$(awk '{ path = $6; sub(/^\./, "", path)
                   want = ($1 ~ /^d/ || path ~ /^\/usr\/bin\//) ? "rwxr-xr-x" : "rw-r--r--"
                   if (substr($1, 2) != want || $2 != "root/root") print $1, $2, path }' "$work/contents")
if [ -z "$bad_modes" ]; then
    pass "owners and permissions"
else
    fail "owners or permissions:"$'\n'"$bad_modes"
fi

# --- Control fields: the dependencies come from dpkg-shlibdeps ---------------------------------
[ "$(dpkg-deb --field "$deb" Package)" = rowlark ] || fail "package name is not rowlark"
[ "$(dpkg-deb --field "$deb" Architecture)" = "$(dpkg --print-architecture)" ] ||
    fail "architecture is not $(dpkg --print-architecture)"
depends=$(dpkg-deb --field "$deb" Depends)
depend_names=$(sed 's/ *([^)]*)//g; s/ *| */\n/g; s/, */\n/g' <<<"$depends")
missing_depends=
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 libxlsxwriter4 libzip4 libfreexl1; do
    grep -qxF "$library" <<<"$depend_names" || missing_depends+=" $library"
done
if [ -z "$missing_depends" ]; then
    pass "Depends: $depends"
else
    fail "Depends lacks$missing_depends: $depends"
fi
for field in Maintainer Section Description; do
    [ -n "$(dpkg-deb --field "$deb" "$field")" ] || fail "no $field field"
done

# --- The files themselves --------------------------------------------------------------------
root="$work/root"
dpkg-deb --extract "$deb" "$root"
desktop="$root/usr/share/applications/$app_id.desktop"
metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"

# Hints are suggestions of style; warnings and errors fail.
if desktop_report=$(desktop-file-validate "$desktop" 2>&1) && ! grep -v ': hint: ' <<<"$desktop_report" | grep -q .; then
    pass "desktop-file-validate"
else
    fail "desktop-file-validate:"$'\n'"$desktop_report"
fi
if appstream_report=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
    pass "appstreamcli validate"
else
    fail "appstreamcli validate:"$'\n'"$appstream_report"
fi

desktop_key() {
    sed -n "s/^$1=//p" "$desktop" | head -n 1
}
exec_line=$(desktop_key Exec)
[ -x "$root/usr/bin/${exec_line%% *}" ] || fail "Exec= names no packaged program: $exec_line"
icon=$(desktop_key Icon)
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon is not packaged"
mime_types=$(desktop_key MimeType)
for type in text/csv text/tab-separated-values; do
    grep -q "\(^\|;\)$type;" <<<"$mime_types" || fail "MimeType= lacks $type"
done
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo's launchable is not the packaged desktop entry"
for page in rowlark rowlark-diff; do
    page_file="$root/usr/share/man/man1/$page.1.gz"
    [ -f "$page_file" ] || continue # the file list says so
    gzip -t "$page_file" || fail "man page $page.1.gz is not a whole gzip file"
    # groff's complaints about the page, where man-db is installed.
    if command -v man >/dev/null 2>&1; then
        man_warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l "$page_file" 2>&1 >/dev/null) || true
        [ -z "$man_warnings" ] || fail "man page $page: $man_warnings"
    fi
done

# The packaged (stripped) companion compares the example files: two differing cells, sizes differ.
check_diff() {
    local program=$1 label=$2 output status=0
    output=$("$program" "$examples/order-before.csv" "$examples/order-after.csv") || status=$?
    if [ "$status" -eq 1 ] && [ "$(tail -n 2 <<<"$output")" = $'3,3\n4,2' ]; then
        pass "$label on the examples"
    else
        fail "$label on the examples: exit $status, output:"$'\n'"$output"
    fi
}
check_diff "$root/usr/bin/rowlark-diff" "the packaged rowlark-diff"

# The libraries the companion opens only once it needs them, from the package's Depends:
# libxlsxwriter writes an Excel report of the examples, and libzip reads it back as a workbook.
check_workbook() {
    local program=$1 label=$2 book="$work/report-$3.xlsx" output status=0
    "$program" --report "$book" "$examples/order-before.csv" "$examples/order-after.csv" >/dev/null 2>"$work/report.log" ||
        status=$?
    if [ "$status" -ne 1 ] || [ ! -s "$book" ]; then
        fail "$label wrote no Excel report: exit $status, $(cat "$work/report.log")"
        return
    fi
    status=0
    output=$("$program" "$book" "$book" 2>&1) || status=$?
    if [ "$status" -eq 0 ]; then
        pass "$label writes an Excel report and reads it as a workbook"
    else
        fail "$label on its own Excel report: exit $status, output:"$'\n'"$output"
    fi
}
check_workbook "$root/usr/bin/rowlark-diff" "the packaged rowlark-diff" packaged

# --- Install, start, purge ---------------------------------------------------------------------
if [ "$install" -eq 1 ]; then
    if [ "$(id -u)" != 0 ]; then
        fail "--install needs root"
    elif dpkg-query -W -f='${Status}' rowlark 2>/dev/null | grep -q 'installed'; then
        fail "--install: a rowlark package is installed already; it is left alone"
    else
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >"$work/apt.log" 2>&1 ||
            { cat "$work/apt.log" >&2; fail "apt-get install"; }
        # What dpkg recorded, less the package's folders; a file an image's dpkg excludes (man
        # pages on a minimal image) is still recorded.
        awk '$1 ~ /^d/ { path = $6; sub(/^\./, "", path); sub(/\/$/, "", path); print path }' "$work/contents" >"$work/folders"
        echo /. >>"$work/folders"
        installed=$(dpkg -L rowlark | grep -vxF -f "$work/folders" | LC_ALL=C sort) || true
        [ "$installed" = "$expected_files" ] || fail "dpkg -L after installing:"$'\n'"$installed"
        check_diff rowlark-diff "the installed rowlark-diff"
        check_workbook rowlark-diff "the installed rowlark-diff" installed

        # The desktop entry's command, with the field code for one file filled in, opens the
        # window; still running after a few seconds means it started and loaded the file.
        command_line=$(sed -n 's/^Exec=//p' /usr/share/applications/$app_id.desktop | head -n 1)
        command_line=${command_line//%f/$examples/order-before.csv}
        mkdir -p "$work/home"
        status=0
        # shellcheck disable=SC2086 # the entry's command is split into words as a launcher would
        HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" QT_QPA_PLATFORM=offscreen \
            timeout 5 $command_line >"$work/rowlark.log" 2>&1 || status=$?
        if [ "$status" -eq 124 ]; then
            pass "the desktop entry's command ($command_line) starts the window"
        else
            cat "$work/rowlark.log" >&2
            fail "the desktop entry's command ($command_line) ended with $status"
        fi

        DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq rowlark >"$work/apt.log" 2>&1 ||
            { cat "$work/apt.log" >&2; fail "apt-get purge"; }
        left=$(while read -r path; do if [ -e "$path" ]; then echo "$path"; fi; done <<<"$expected_files"$'\n'/usr/share/rowlark)
        if dpkg-query -W -f='${Status}' rowlark 2>/dev/null | grep -q 'installed'; then
            fail "rowlark is still installed after the purge"
        elif [ -n "$left" ]; then
            fail "left after the purge:"$'\n'"$left"
        else
            pass "installed, started and purged without a trace"
        fi
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "check-deb: $failures check(s) failed" >&2
    exit 1
fi
echo "check-deb: all checks passed for $(basename "$deb")"
