#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks what a technician
# gets when installing it: the control fields, the files in their places, the
# unpacked programs answering --help, --version and a wrong option, the menu
# entry, the manual pages (and that they list the options --help lists), the
# icon sizes, the D-Bus and systemd files pointing at the packaged program,
# the programs built hardened (hardening-check), the service's unit running
# as the user its sysusers.d file creates and sandboxed (systemd-analyze
# security rates it 2.0 or lower), and lintian (when installed) reporting no
# error.
#
# usage: check_package.sh BUILD_DIR VERSION PREFIX SOURCE_DIR
set -uo pipefail

build=$1 version=$2 prefix=$3 source=$4
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

missing=()
for tool in cpack:cmake dpkg-deb:dpkg dpkg-shlibdeps:dpkg-dev desktop-file-validate:desktop-file-utils \
            lexgrog:man-db man:man-db hardening-check:devscripts systemd-analyze:systemd systemd-sysusers:systemd; do
    command -v "${tool%%:*}" >/dev/null || missing+=("${tool%%:*} (package ${tool#*:})")
done
if ((${#missing[@]})); then
    echo "FAIL: missing tools: ${missing[*]}" >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-package.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

if ! cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    # cpack first builds what is out of date; show why that failed.
    find "$work/out" -name PreinstallOutput.log -exec tail -n 30 {} + >&2
    echo "FAIL: cpack -G DEB" >&2
    exit 1
fi
debs=("$work"/out/vantrel-test_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "FAIL: expected one vantrel-test_*.deb, found: ${debs[*]}" >&2
    exit 1
fi
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vantrel-test ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project's is $version"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
# Worked out from the shared libraries: the Qt widgets library must be there.
grep -q 'libqt6widgets6' <<<"$(field Depends)" || fail "Depends lacks libqt6widgets6: $(field Depends)"
[ "$(field Description | wc -l)" -ge 2 ] || fail "Description has no extended text"

root=$work/root
dpkg-deb -x "$deb" "$root" || exit 1
usr=$root$prefix

expected=(
    bin/vantrel-test
    share/vantrel-test/FP_blk.hex
    share/vantrel-test/conformance/01-fueling.vts
    share/doc/vantrel-test/examples/sites/station.json
    share/applications/vantrel-test.desktop
    share/icons/hicolor/scalable/apps/vantrel-test.svg
    share/man/man1/vantrel-test.1.gz
    share/doc/vantrel-test/README.md
    share/doc/vantrel-test/copyright
    share/doc/vantrel-test/changelog.gz
)
programs=(vantrel-test)
if [ -e "$usr/bin/vantrel-forecourt" ]; then
    programs+=(vantrel-forecourt)
    expected+=(share/man/man1/vantrel-forecourt.1.gz)
    # --board starts the board from beside the service.
    programs+=(vantrel-board)
    expected+=(bin/vantrel-board share/man/man1/vantrel-board.1.gz)
fi
for size in 16 32 48 64 128 256; do
    expected+=(share/icons/hicolor/${size}x${size}/apps/vantrel-test.png)
done
for file in "${expected[@]}"; do
    [ -f "$usr/$file" ] || fail "not in the package: $prefix/$file"
done
cmp -s "$usr/share/vantrel-test/FP_blk.hex" "$source/src/suites/FP_blk.hex" ||
    fail "the packaged FP_blk.hex differs from src/suites/FP_blk.hex"

# A PNG's width and height are the big-endian words at bytes 16 and 20.
for png in "$usr"/share/icons/hicolor/*x*/apps/vantrel-test.png; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
    actual="$(( (w1 << 24) | (w2 << 16) | (w3 << 8) | w4 ))x$(( (h1 << 24) | (h2 << 16) | (h3 << 8) | h4 ))"
    [ "$actual" = "$size" ] || fail "icon in $size is $actual"
done

desktop-file-validate "$usr/share/applications/vantrel-test.desktop" || fail "desktop-file-validate"

export QT_QPA_PLATFORM=offscreen
for program in "${programs[@]}"; do
    binary=$usr/bin/$program
    page=$usr/share/man/man1/$program.1.gz

    out=$("$binary" --version 2>&1); rc=$?
    [ $rc -eq 0 ] || fail "$program --version exits $rc"
    grep -qF -- "$version" <<<"$out" || fail "$program --version does not print $version: $out"

    help=$("$binary" --help 2>&1); rc=$?
    [ $rc -eq 0 ] || fail "$program --help exits $rc"

    "$binary" --no-such-option >"$work/wrong.out" 2>&1; rc=$?
    [ $rc -eq 2 ] || fail "$program --no-such-option exits $rc, not 2"
    grep -qi usage "$work/wrong.out" || fail "$program --no-such-option prints no usage"

    lexgrog "$page" >/dev/null || fail "lexgrog finds no NAME section in $program.1"
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=200 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$program.1 has groff warnings: $warnings"
    text=$(MANWIDTH=200 man -l "$page" 2>/dev/null)

    # --help and the manual page list the same options.
    help_options=$(grep -oE -- '(^|[[ |,])--?[a-z][a-z-]*' <<<"$help" | grep -oE -- '--?[a-z][a-z-]*' | sort -u)
    page_options=$(sed -n '/^OPTIONS/,/^[A-Z]/p' <<<"$text" | grep -oE -- '^ +--?[a-z][a-z-]*|, --?[a-z][a-z-]*' |
                   grep -oE -- '--?[a-z][a-z-]*' | sort -u)
    [ -n "$page_options" ] || fail "$program.1 lists no options"
    [ "$help_options" = "$page_options" ] ||
        fail "$program --help and $program.1 list different options:"$'\n'"$(diff <(echo "$help_options") <(echo "$page_options"))"
    for code in 0 1 2; do
        grep -qE "(^|[^0-9])$code([^0-9]|$)" <<<"$help" || fail "$program --help does not name the exit status $code"
    done
done

# The bus and the init system start the packaged program, by its full path.
for file in "$usr/share/dbus-1/services/Vantrel.Application.service" "$usr/lib/systemd/system/vantrel-forecourt.service"; do
    [ -f "$file" ] || continue
    exec=$(sed -n 's/^Exec\(Start\)\?=//p' "$file" | head -n1)
    binary=${exec%% *}
    [ -x "$root$binary" ] || fail "$(basename "$file") starts '$binary', which the package does not hold"
done

# Built with Debian's hardening flags: PIE, stack protector, _FORTIFY_SOURCE,
# full RELRO. Control flow protection is compiled in, but hardening-check
# cannot tell it on Debian 12, whose C library start files carry no CET note
# (it fails /bin/ls as well).
for program in "${programs[@]}"; do
    hardening-check --nocfprotection "$usr/bin/$program" >"$work/hardening.log" 2>&1 ||
        fail "hardening-check: $(grep -i ': no' "$work/hardening.log" | tr -s ' ')"
done

unit=$usr/lib/systemd/system/vantrel-forecourt.service
if [ -f "$unit" ]; then
    # The unit runs as a user of its own, which postinst creates from the
    # sysusers.d file, never as root; the bus policy lets that user own the
    # name and names the group of the callers, which the same file creates.
    sysusers=$usr/lib/sysusers.d/vantrel-test.conf
    user=$(sed -n 's/^User=//p' "$unit")
    [ -n "$user" ] && [ "$user" != root ] || fail "the unit runs as '${user:-root}'"
    if [ -f "$sysusers" ]; then
        mkdir -p "$work/sysroot/etc"
        systemd-sysusers --root="$work/sysroot" "$sysusers" >/dev/null 2>&1 || fail "systemd-sysusers refuses $sysusers"
        grep -q "^$user:" "$work/sysroot/etc/passwd" || fail "$sysusers creates no user $user"
        policy=$usr/share/dbus-1/system.d/Vantrel.Application.conf
        for group in $(grep -o 'policy group="[^"]*"' "$policy" | cut -d'"' -f2); do
            grep -q "^$group:" "$work/sysroot/etc/group" || fail "$sysusers creates no group $group, which the bus policy names"
        done
        grep -q "policy user=\"$user\"" "$policy" || fail "the bus policy does not let $user own the name"
    else
        fail "not in the package: $prefix/lib/sysusers.d/vantrel-test.conf"
    fi
    # The listing is read whole before it is searched: grep -q would stop at
    # the first match, and tar, writing on into the closed pipe, would fail
    # the pipeline (pipefail) although the postinst is there.
    controls=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t)
    grep -qx '\./postinst' <<<"$controls" || fail "the package has no postinst to create $user"
    systemd-analyze security --offline=true --threshold=20 "$unit" >"$work/security.log" 2>&1 ||
        fail "systemd-analyze security rates the unit above 2.0: $(tail -n1 "$work/security.log")"
fi

if command -v lintian >/dev/null; then
    lintian --no-cfg "$deb" >"$work/lintian.log" 2>&1
    if grep -q '^E:' "$work/lintian.log"; then
        fail "lintian reports errors:"$'\n'"$(grep '^E:' "$work/lintian.log")"
    fi
    grep -v '^E:' "$work/lintian.log" || true
else
    echo "lintian is not installed: skipped"
fi

exit $status
