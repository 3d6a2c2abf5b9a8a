#!/bin/sh
# install_norvane.sh --build DIR --version X.Y.Z --cmake CMAKE --cpack CPACK
#
# Installs the build into a temporary prefix and checks it as a workstation would
# use it; then builds the Debian package and checks its contents and dependencies.
set -eu

while [ $# -gt 0 ]; do
    case $1 in
        --build) build=$2; shift 2 ;;
        --version) version=$2; shift 2 ;;
        --cmake) cmake=$2; shift 2 ;;
        --cpack) cpack=$2; shift 2 ;;
        *) echo "install_norvane: unknown argument $1" >&2; exit 2 ;;
    esac
done

for tool in desktop-file-validate appstreamcli man gzip readelf dpkg-deb dpkg-shlibdeps zbarimg identify xvfb-run xdotool; do
    command -v "$tool" >/dev/null 2>&1 || { echo "install_norvane: $tool is missing (scripts/install-deps.sh --test)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/norvane-install.XXXXXX")
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "install_norvane: $*" >&2; exit 1; }
step() { echo "== $*"; }

prefix=$work/prefix
home=$work/home
mkdir -p "$home" "$work/elsewhere" "$work/run"

# A workstation without a display: no window system can be reached, so a program
# that builds its application object before answering would abort here.
headless() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        XDG_DATA_HOME="$home/.local/share" "$@"
}

step "cmake --install into $prefix"
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
desktop_id=org.norvane.Norvane
for f in bin/norvane bin/norvane-label share/norvane/LabBarcodeLabel.rpt share/applications/$desktop_id.desktop \
         share/metainfo/$desktop_id.metainfo.xml share/man/man1/norvane.1.gz share/man/man1/norvane-label.1.gz \
         share/doc/norvane/README.md share/doc/norvane/TEMPLATE.md share/doc/norvane/copyright \
         share/doc/norvane/changelog.gz; do
    [ -f "$prefix/$f" ] || fail "$f is not installed"
done
for size in 16 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x$size/apps/norvane.png
    [ "$(identify -format '%wx%h' "$icon")" = "${size}x$size" ] || fail "icon $icon is not ${size}x$size"
done
svg=$prefix/share/icons/hicolor/scalable/apps/norvane.svg
grep -q '<svg xmlns="http://www.w3.org/2000/svg"' "$svg" && [ "$(identify -format '%wx%h' "$svg")" = 256x256 ] ||
    fail "the scalable icon $svg is not a 256x256 SVG"
[ ! -e "$prefix/bin/labdb-server" ] || fail "labdb-server is installed without asking for the Demo component"
[ ! -e "$prefix/bin/LabBarcodeLabel.rpt" ] || fail "the template is installed beside the program"
"$cmake" --install "$build" --prefix "$work/demo" --component Demo >/dev/null
[ -x "$work/demo/bin/labdb-server" ] && [ -x "$work/demo/bin/labdb-log" ] || fail "the Demo component lacks labdb-server or labdb-log"

step "norvane --version, --help and a wrong switch without a display"
out=$(headless "$prefix/bin/norvane" --version) || fail "norvane --version failed"
[ "$out" = "norvane $version" ] || fail "norvane --version printed '$out'"
headless "$prefix/bin/norvane" --help >"$work/help" || fail "norvane --help failed"
for switch in --demo --print-to --check-connection --version; do
    grep -q -- "$switch" "$work/help" || fail "norvane --help does not name $switch"
done
status=0
headless "$prefix/bin/norvane" --no-such-switch >"$work/out" 2>"$work/err" || status=$?
[ "$status" = 2 ] || fail "a wrong switch ended with status $status, not 2"
grep -q "no-such-switch" "$work/err" && grep -q "^Usage: norvane" "$work/err" || fail "a wrong switch did not print the usage: $(cat "$work/err")"
out=$(headless "$prefix/bin/norvane-label" --version) || fail "norvane-label --version failed"
[ "$out" = "norvane-label $version" ] || fail "norvane-label --version printed '$out'"

step "a translation in the installation's translations folder, loaded for the workstation's language"
# The test translation (tests/translations) put where the package puts translations:
# norvane speaks it from its first text, and English without it.
qm=$build/tests/translations/norvane_eo.qm
[ -f "$qm" ] || fail "the test translation $qm is not built (tst_translations builds it)"
translations=$prefix/share/norvane/translations
mkdir -p "$translations"
cp "$qm" "$translations/"
for language in eo en_US; do
    status=0
    headless env LANGUAGE=$language "$prefix/bin/norvane" --print-to "" >"$work/out" 2>"$work/err" || status=$?
    [ "$status" = 2 ] || fail "an empty --print-to ended with status $status, not 2, for $language"
    said=$(head -n 1 "$work/err")
    case $language in
        eo) [ "$said" = "norvane: --print-to bezonas dosierujon." ] ||
                fail "norvane did not load $translations/norvane_eo.qm for LANGUAGE=eo: $said" ;;
        *) [ "$said" = "norvane: --print-to needs a folder." ] || fail "norvane did not speak English for $language: $said" ;;
    esac
done
rm -r "$translations"

step "no display: one line and status 1, not Qt's abort"
# Neither DISPLAY nor WAYLAND_DISPLAY, and an X display nobody serves.
no_display() { # LABEL COMMAND...: runs it without a display; the one line it must print
    label=$1; shift
    status=0
    "$@" >"$work/out" 2>"$work/err" || status=$?
    [ "$status" = 1 ] || fail "$label ended with status $status, not 1: $(cat "$work/err")"
    [ "$(wc -l <"$work/err")" = 1 ] || fail "$label did not say it in one line: $(cat "$work/err")"
    grep -q "no display: .*(set DISPLAY or run on the workstation's desktop)$" "$work/err" ||
        fail "$label did not say that there is no display: $(cat "$work/err")"
}
no_display "norvane" headless "$prefix/bin/norvane"
grep -qx "norvane: no display: neither DISPLAY nor WAYLAND_DISPLAY is set (set DISPLAY or run on the workstation's desktop)" "$work/err" ||
    fail "norvane without a display said: $(cat "$work/err")"
no_display "norvane --demo on :64999" headless env DISPLAY=:64999 "$prefix/bin/norvane" --demo
grep -q "^norvane: no display: cannot open the X display :64999: " "$work/err" || fail "norvane on :64999 said: $(cat "$work/err")"
no_display "norvane-label --preview" headless "$prefix/bin/norvane-label" --preview
grep -q "^norvane-label: no display: " "$work/err" || fail "norvane-label --preview said: $(cat "$work/err")"

step "norvane-label --png with the installed template, from outside the trees"
cd "$work/elsewhere"
headless "$prefix/bin/norvane-label" --png sticker.png >/dev/null || fail "norvane-label --png failed"
expected=$(headless "$prefix/bin/norvane-label" --list-fields | sed -n 's/^Barcode = "\(.*\)"$/\1/p')
[ -n "$expected" ] || fail "the installed template has no Barcode field"
read_back=$(zbarimg -q --raw sticker.png 2>/dev/null) || fail "the sticker's barcode does not read"
[ "$read_back" = "$expected" ] || fail "the sticker reads '$read_back', not '$expected'"
# A template beside the program comes before the shipped one; the laboratory's own in
# <prefix>/etc/norvane comes before both, and norvane-label --template and
# norvane --check-connection name the one in use.
barcode_of() { headless "$prefix/bin/norvane-label" --list-fields | sed -n 's/^Barcode = "\(.*\)"$/\1/p'; }
with_barcode() { sed 's/^\(.*Barcode.*\)"[^"]*"\(.*\)$/\1"'"$1"'"\2/' "$prefix/share/norvane/LabBarcodeLabel.rpt"; }
with_barcode BESIDE-1 >"$prefix/bin/LabBarcodeLabel.rpt"
beside=$(barcode_of)
[ "$beside" = "BESIDE-1" ] || fail "the template beside the program was not used before the shipped one (Barcode '$beside')"
mkdir -p "$prefix/etc/norvane"
with_barcode LAB-ETC-1 >"$prefix/etc/norvane/LabBarcodeLabel.rpt"
lab=$(barcode_of)
[ "$lab" = "LAB-ETC-1" ] || fail "the laboratory's template in $prefix/etc/norvane was not used first (Barcode '$lab')"
headless "$prefix/bin/norvane-label" --template >"$work/which" || fail "norvane-label --template failed: $(cat "$work/which")"
grep -qxF "Template: $prefix/etc/norvane/LabBarcodeLabel.rpt (the laboratory's own)" "$work/which" &&
    grep -qxF "  $prefix/bin/LabBarcodeLabel.rpt (beside the program): there, not used" "$work/which" &&
    grep -qxF "  $prefix/share/norvane/LabBarcodeLabel.rpt (shipped with Norvane): there, not used" "$work/which" ||
    fail "norvane-label --template does not name the laboratory's template: $(cat "$work/which")"
headless "$prefix/bin/norvane" --check-connection >"$work/check" 2>/dev/null || true
grep -qxF "Template: $prefix/etc/norvane/LabBarcodeLabel.rpt (the laboratory's own)" "$work/check" ||
    fail "norvane --check-connection does not name the laboratory's template: $(cat "$work/check")"
rm -r "$prefix/etc" "$prefix/bin/LabBarcodeLabel.rpt"
headless "$prefix/bin/norvane-label" --template >"$work/which" || fail "norvane-label --template failed"
grep -qxF "Template: $prefix/share/norvane/LabBarcodeLabel.rpt (shipped with Norvane)" "$work/which" ||
    fail "norvane-label --template does not name the shipped template: $(cat "$work/which")"

step "the workstation's settings file, as --check-connection reports it"
# A settings file for every user in a folder of $XDG_CONFIG_DIRS (as /etc/xdg holds it),
# and the user's own file with the password, readable by others.
mkdir -p "$work/xdg" "$home/.config"
printf '[Connection]\nServer="127.0.0.1,1"\nDatabase=Laboratory\n' >"$work/xdg/ZEMRIX Current User.conf"
printf '[Connection]\nUser=lab_barcode\nPassword=Secret;42\n' >"$home/.config/ZEMRIX Current User.conf"
chmod 644 "$home/.config/ZEMRIX Current User.conf"
status=0
headless env XDG_CONFIG_DIRS="$work/xdg" "$prefix/bin/norvane" --check-connection >"$work/check" 2>/dev/null || status=$?
[ "$status" = 1 ] || fail "--check-connection against no server ended with status $status"
user_file="$home/.config/ZEMRIX Current User.conf"
for line in "Settings: $user_file (the user's)" \
            "Settings: $work/xdg/ZEMRIX Current User.conf (the workstation's, for every user: read for the keys the user's file lacks)" \
            "Server:   \"127.0.0.1,1\" from $work/xdg/ZEMRIX Current User.conf" \
            "Database: \"Laboratory\" from $work/xdg/ZEMRIX Current User.conf" \
            "User:     \"lab_barcode\" from $user_file" \
            "Password: (given, not shown) from $user_file" \
            "          Fix: chmod 600 '$user_file'" \
            "          Fix: put the whole value in double quotes: Password=\"...\" (inside the quotes write \\\" for a quote and \\\\ for a backslash)"; do
    grep -qxF "$line" "$work/check" || fail "--check-connection does not say '$line': $(cat "$work/check")"
done
! grep -q "every setting reads as empty" "$work/check" || fail "--check-connection calls the settings empty: $(cat "$work/check")"
! grep -q "Secret" "$work/check" || fail "--check-connection printed the password"
rm "$user_file"

step "desktop entry and AppStream metainfo"
desktop=$prefix/share/applications/$desktop_id.desktop
metainfo=$prefix/share/metainfo/$desktop_id.metainfo.xml
desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
grep -qx "Exec=norvane" "$desktop" || fail "the desktop entry does not start norvane"
grep -qx "Icon=norvane" "$desktop" || fail "the desktop entry does not name the icon"
appstreamcli validate --no-net --explain "$metainfo" >"$work/appstream.log" 2>&1 ||
    fail "the metainfo does not validate: $(cat "$work/appstream.log")"
grep -q "<id>$desktop_id</id>" "$metainfo" && grep -q "<launchable type=\"desktop-id\">$desktop_id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not name $desktop_id and its desktop entry"
# The newest release in the metainfo and the changelog is this version.
release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)
[ "$release" = "$version" ] || fail "the metainfo's newest release is '$release', not $version"

step "manual pages"
# Readable as man reads them, without complaints from groff, and naming every switch
# that --help lists.
headless "$prefix/bin/norvane-label" --help >"$work/label-help" || fail "norvane-label --help failed"
for page in norvane norvane-label; do
    file=$prefix/share/man/man1/$page.1.gz
    MANWIDTH=80 man --warnings -E UTF-8 -l "$file" >"$work/$page.man" 2>"$work/$page.man-err" ||
        fail "man -l $file failed: $(cat "$work/$page.man-err")"
    [ ! -s "$work/$page.man-err" ] || fail "man -l $file warns: $(cat "$work/$page.man-err")"
    grep -q "^NAME" "$work/$page.man" && grep -q "^ *$page - " "$work/$page.man" ||
        fail "the manual page of $page has no NAME line for it"
    grep -q "$version" "$work/$page.man" || fail "the manual page of $page does not give version $version"
    help=$work/help
    [ "$page" = norvane-label ] && help=$work/label-help
    for switch in $(grep -o -- '--[a-z][a-z-]*' "$help" | sort -u); do
        grep -q -- "$switch" "$work/$page.man" || fail "the manual page of $page does not describe $switch"
    done
done

step "norvane --demo to its first paint"
# Qt's minimal platform draws windows without a display, like offscreen, and with
# QT_DEBUG_BACKINGSTORE set it writes each window flush to outputNNNN.png in the
# current folder: the first file is the first paint, seen from outside the program.
cd "$work/run"
# exec, so that $! is norvane itself and the kill below cannot leave it running.
(exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    XDG_DATA_HOME="$home/.local/share" QT_QPA_PLATFORM=minimal:fontconfig QT_DEBUG_BACKINGSTORE=1 \
    "$prefix/bin/norvane" --demo >"$work/demo.log" 2>&1) &
pid=$!
painted=
for i in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || break
    if [ -f output0000.png ] && identify output0000.png >/dev/null 2>&1; then painted=1; break; fi
    sleep 0.1
done
[ -n "$painted" ] || fail "norvane --demo did not paint its window: $(cat "$work/demo.log")"
kill -0 "$pid" 2>/dev/null || fail "norvane --demo ended after its first paint"
kill "$pid"; wait "$pid" 2>/dev/null || true; pid=
colours=$(identify -format '%k' output0000.png)
[ "$colours" -gt 100 ] || fail "the first paint is nearly blank ($colours colours)"
[ -s "$home/.local/share/Norvane/demo/laboratory.sqlite" ] || fail "the demo database was not made in the user's data folder"

step "norvane without a reachable server: the warning, then status 1 and the reason"
# On an X display of its own (xvfb-run -a picks a free one): the box is answered
# with Enter as a user would, and the program must then end with status 1.
mkdir -p "$home/.config"
printf '[Connection]\nServer="127.0.0.1,1"\nDatabase=Laboratory\nUser=lab_barcode\nPassword="Secret;42"\n' \
    >"$home/.config/ZEMRIX Current User.conf"
cat >"$work/unreachable.sh" <<EOS
"$prefix/bin/norvane" >"$work/unreachable.out" 2>"$work/unreachable.err" &
p=\$!
box=
for i in \$(seq 150); do
    box=\$(xdotool search --onlyvisible --name '^Norvane\$' 2>/dev/null | head -n 1)
    [ -n "\$box" ] && break
    sleep 0.1
done
[ -n "\$box" ] || { kill \$p; echo nobox >"$work/unreachable.status"; exit 0; }
xdotool windowfocus --sync "\$box" key Return
status=0
wait \$p || status=\$?
echo \$status >"$work/unreachable.status"
EOS
headless env QT_QPA_PLATFORM=xcb xvfb-run -a sh "$work/unreachable.sh"
status=$(cat "$work/unreachable.status")
[ "$status" != nobox ] || fail "no warning box came up: $(cat "$work/unreachable.err")"
[ "$status" = 1 ] || fail "norvane ended with status $status after the failed connection, not 1"
grep -q "Unable to contact the database server" "$work/unreachable.err" &&
    grep -q "Unable to connect" "$work/unreachable.err" ||
    fail "standard error does not give the driver's reason: $(cat "$work/unreachable.err")"
! grep -q "Secret;42" "$work/unreachable.err" "$work/unreachable.out" || fail "the password was printed"

step "Debian package"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$work/cpack.log")"
deb=$work/package/norvane_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no package $deb: $(ls "$work/package")"
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for f in ./usr/bin/norvane ./usr/bin/norvane-label ./usr/share/norvane/LabBarcodeLabel.rpt \
         ./usr/share/applications/$desktop_id.desktop ./usr/share/metainfo/$desktop_id.metainfo.xml \
         ./usr/share/icons/hicolor/48x48/apps/norvane.png ./usr/share/icons/hicolor/scalable/apps/norvane.svg \
         ./usr/share/man/man1/norvane.1.gz ./usr/share/man/man1/norvane-label.1.gz \
         ./usr/share/doc/norvane/README.md ./usr/share/doc/norvane/TEMPLATE.md \
         ./usr/share/doc/norvane/copyright ./usr/share/doc/norvane/changelog.gz; do
    grep -qx "$f" "$work/contents" || fail "the package lacks $f"
done
! grep -q "labdb" "$work/contents" || fail "the package holds the test server"
# Translations, when the source holds any, lie where the programs look for them.
! grep '\.qm$' "$work/contents" | grep -vq '^\./usr/share/norvane/translations/norvane_[A-Za-z_]*\.qm$' ||
    fail "a translation lies elsewhere than /usr/share/norvane/translations: $(grep '\.qm$' "$work/contents")"
[ "$(dpkg-deb -f "$deb" Package)" = norvane ] && [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] ||
    fail "package name or version is wrong"
depends=$(dpkg-deb -f "$deb" Depends)
# Run-time pieces, and libraries found by shlibdeps in the programs.
# Whole names (a library's may end in its soname's version); fonts-dejavu-extra holds
# DejaVu Sans Condensed Bold, without which the search instruction is cut.
for p in tdsodbc unixodbc libqt6sql6-odbc libqt6sql6-sqlite fonts-liberation fonts-dejavu-core fonts-dejavu-extra \
         libqt6widgets6 libqt6printsupport6 libzint; do
    echo "$depends" | tr ',' '\n' | grep -q "^ *$p[0-9.]*\( \|$\)" || fail "the package does not depend on $p: $depends"
done
maintainer=$(dpkg-deb -f "$deb" Maintainer)
echo "$maintainer" | grep -Eq '^[^<]+ <[^@>]+@[^.>]+\.[^>]+>$' && ! echo "$maintainer" | grep -qi localhost ||
    fail "the maintainer '$maintainer' has no name and real mail address"
dpkg-deb -f "$deb" Description | awk 'length > 80 { exit 1 }' || fail "a line of the description is longer than 80 columns"
dpkg-deb -x "$deb" "$work/root"
doc=$work/root/usr/share/doc/norvane

# The copyright file in the machine-readable format, with a paragraph for every file.
head -n 1 "$doc/copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' &&
    grep -qx 'Files: \*' "$doc/copyright" && grep -q '^License: ' "$doc/copyright" ||
    fail "the copyright file is not in the machine-readable format"
# The changelog: compressed at the highest level without a name or time stamp (the same
# build gives the same bytes), its newest entry for this version, signed by the maintainer.
gzip -t "$doc/changelog.gz" || fail "changelog.gz is not a gzip file"
[ "$(od -An -tx1 -j3 -N6 "$doc/changelog.gz" | tr -d ' ')" = 000000000002 ] ||
    fail "changelog.gz keeps a name or time stamp, or is not compressed with -9"
gzip -dc "$doc/changelog.gz" | head -n 1 | grep -q "^norvane ($version) [a-z-]*; urgency=" ||
    fail "the changelog's newest entry is not for $version: $(gzip -dc "$doc/changelog.gz" | head -n 1)"
gzip -dc "$doc/changelog.gz" | grep -m 1 '^ -- ' | grep -qF " -- $maintainer  " ||
    fail "the changelog's newest entry is not signed by the maintainer $maintainer"
for page in norvane norvane-label; do
    [ "$(od -An -tx1 -j3 -N6 "$work/root/usr/share/man/man1/$page.1.gz" | tr -d ' ')" = 000000000002 ] ||
        fail "$page.1.gz keeps a name or time stamp, or is not compressed with -9"
done
# The shipped programs: full RELRO (bound at start), no symbols, no compiler notes.
for program in norvane norvane-label; do
    elf=$work/root/usr/bin/$program
    readelf -lW "$elf" | grep -q GNU_RELRO && readelf -dW "$elf" | grep -q 'FLAGS.*BIND_NOW' ||
        fail "$program is not linked with -z relro -z now"
    ! readelf -SW "$elf" | grep -Eq '\] \.(comment|note|symtab|debug_info) ' ||
        fail "$program keeps sections a package strips: $(readelf -SW "$elf" | grep -Eo '\] \.(comment|note|symtab|debug_info) ' | tr '\n' ' ')"
done
if command -v lintian >/dev/null 2>&1; then
    step "lintian --pedantic"
    # Errors and warnings fail; the informational and pedantic tags are shown.
    lintian --pedantic -I --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
        fail "lintian finds errors or warnings: $(cat "$work/lintian.log")"
    cat "$work/lintian.log"
else
    echo "install_norvane: lintian is not installed, the package is not checked with it (scripts/install-deps.sh --test)"
fi

# The packaged programs run from where the package puts them.
out=$(headless "$work/root/usr/bin/norvane" --version) && [ "$out" = "norvane $version" ] ||
    fail "the packaged norvane does not run"
cd "$work/elsewhere"
headless "$work/root/usr/bin/norvane-label" --png packaged.png >/dev/null &&
    [ "$(zbarimg -q --raw packaged.png 2>/dev/null)" = "$expected" ] ||
    fail "the packaged norvane-label does not find its template in /usr/share/norvane"
echo "install_norvane: all checks passed"
