#!/bin/bash
# Installs lumo the way `make install` does, into a scratch folder outside the
# build and source trees, and checks the result with the freedesktop.org and
# Debian tools and by running the installed program headless.
#
#   install_test.sh CASE BUILD_DIR VERSION
#
# CASE is one of:
#   tree       desktop entry, metainfo, MIME package, icons, manual page,
#              licence and copyright file
#   program    --help/--version, finds its picture in share/lumo (and only
#              there), draws the dome exactly as the build's program does
#   filetype   a saved shape file is application/x-lumo (by name and by
#              content, XML and binary), lumo.desktop opens it and is among
#              the applications for JPEG and PNG pictures, and the desktop
#              entry hands the files to the program
#   uninstall  an install into a live prefix refreshes the desktop caches;
#              uninstalling from the manifest removes every file again, also
#              from a DESTDIR
#   deb        the Debian package: dependencies, contents, and the program
#              unpacked from it runs
set -euo pipefail

case_name=$1
build=$(cd "$2" && pwd)
version=$3
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
png_tool="python3 $here/png_tool.py"

work=$(mktemp -d "${TMPDIR:-/tmp}/lumo-install-test-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/elsewhere" "$work/no-data" "$work/no-config"

# Nothing of the caller's desktop may leak into the look-ups.
unset DISPLAY WAYLAND_DISPLAY XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
export XDG_DATA_HOME="$work/no-data" XDG_CONFIG_HOME="$work/no-config" XDG_CONFIG_DIRS="$work/no-config"
export SDL_VIDEODRIVER=offscreen

failures=0
# check NAME COMMAND...: runs the command, reports ok or FAIL, carries on.
check() {
    local name=$1
    shift
    if "$@"; then
        echo "ok    $name"
    else
        echo "FAIL  $name"
        failures=$((failures + 1))
    fi
}
equals() { [ "$1" = "$2" ] || { echo "      expected \"$2\", got \"$1\""; return 1; }; }
contains() { grep -q -e "$2" "$1" || { echo "      \"$2\" not in $1:"; sed 's/^/      | /' "$1"; return 1; }; }
lacks() { ! grep -q -e "$2" "$1" || { echo "      \"$2\" is in $1:"; grep -e "$2" "$1" | sed 's/^/      | /'; return 1; }; }
empty_file() { [ ! -s "$1" ] || { echo "      $1 is not empty:"; sed 's/^/      | /' "$1"; return 1; }; }

# stage ROOT: installs lumo's component with prefix /usr under DESTDIR=ROOT.
stage() {
    DESTDIR="$1" cmake --install "$build" --prefix /usr --component lumo >"$work/install.log"
}

# run_lumo ROOT NAME ARGS...: runs ROOT/usr/bin/lumo headless from a folder
# unrelated to both trees; its stderr goes to $work/NAME.err.
run_lumo() {
    local root=$1 name=$2
    shift 2
    (cd "$work/elsewhere" && "$root/usr/bin/lumo" --headless --home "$work/home-$name" "$@" \
        >"$work/$name.out" 2>"$work/$name.err") && echo 0 >"$work/$name.status" || echo $? >"$work/$name.status"
}
ran() { equals "$(cat "$work/$1.status")" 0; }

# The dome lit in the test colour (magenta, unlike anything in the default
# picture) over the top of the view, above the panel and any alert.
is_magenta() {
    read -r r g b _ < <($png_tool stats "$1" 40 20 280 160)
    [ "$r" -gt $((g + 50)) ] && [ "$b" -gt $((g + 50)) ] || { echo "      mean colour $r $g $b is not magenta"; return 1; }
}
# The default picture on the dome: thousands of colours, not one lit colour.
is_default_picture() {
    read -r r g b colours < <($png_tool stats "$1" 40 20 280 160)
    [ "$colours" -gt 1000 ] && [ "$g" -gt "$b" ] || { echo "      $colours colours, mean $r $g $b: not the default picture"; return 1; }
}

# A shape file saved by the installed program, with a magenta picture:
# frame 3 presses Save in the control panel.
save_magenta_shape() {
    local root=$1
    cp "$root/usr/share/lumo/texture.png" "$work/texture.png"
    $png_tool solid 512 512 220 30 220 "$root/usr/share/lumo/texture.png"
    echo "3 click 62 385" >"$work/save.txt"
    run_lumo "$root" save --frames 10 --script "$work/save.txt"
    cp "$work/texture.png" "$root/usr/share/lumo/texture.png"
    shape=$(ls "$work"/home-save/Documents/*.lumo 2>/dev/null || true)
}

case_tree() {
    local root="$work/root" share="$work/root/usr/share"
    stage "$root"

    check "desktop-file-validate accepts the entry" desktop-file-validate "$share/applications/lumo.desktop"
    check "the entry runs lumo with the files" contains "$share/applications/lumo.desktop" '^Exec=lumo %F$'
    check "the entry claims application/x-lumo, JPEG and PNG" \
        contains "$share/applications/lumo.desktop" '^MimeType=application/x-lumo;image/jpeg;image/png;$'
    check "the entry names the icon" contains "$share/applications/lumo.desktop" '^Icon=lumo$'
    check "the entry has categories" contains "$share/applications/lumo.desktop" '^Categories=..*;$'

    # The one known issue: "lumo" is not a reverse-DNS name (lumo has no
    # domain of its own); anything else is a failure.
    local known=(--override=cid-desktopapp-is-not-rdns=info)
    check "appstreamcli validates the metainfo" \
        appstreamcli validate --no-net "${known[@]}" "$share/metainfo/lumo.metainfo.xml"
    check "appstreamcli validates the installed tree (entry, metainfo, icon)" \
        appstreamcli validate-tree --no-net "${known[@]}" "$root"
    check "the metainfo carries the version" contains "$share/metainfo/lumo.metainfo.xml" "<release version=\"$version\""
    check "the metainfo describes lumo" contains "$share/metainfo/lumo.metainfo.xml" '<description>'
    check "the metainfo names lumo's licence" \
        contains "$share/metainfo/lumo.metainfo.xml" '<project_license>GPL-3.0-or-later</project_license>'
    cmake -DIN="$source_dir/dist/lumo.metainfo.xml.in" -DOUT="$work/with-screenshot.xml" -DVERSION="$version" \
        -DRELEASE_DATE=2026-12-08 -DSCREENSHOT_URL=https://example.org/lumo/screenshot.png \
        -P "$source_dir/dist/metainfo.cmake"
    check "with a screenshot address the metainfo validates, pedantic hints included" \
        appstreamcli validate --no-net --pedantic "${known[@]}" "$work/with-screenshot.xml"
    check "the screenshot is referenced" contains "$work/with-screenshot.xml" \
        '<image type="source" width="320" height="480">https://example.org/lumo/screenshot.png</image>'
    check "metainfo.cmake refuses an address that is not https" \
        bash -c "! cmake -DIN=$source_dir/dist/lumo.metainfo.xml.in -DOUT=$work/x.xml -DVERSION=1 \
                 -DRELEASE_DATE=2026-12-08 -DSCREENSHOT_URL=file:///x.png -P $source_dir/dist/metainfo.cmake 2>/dev/null"

    check "xmllint: the MIME package is well-formed" xmllint --noout "$share/mime/packages/lumo.xml"
    update-mime-database -V "$share/mime" >"$work/mime.log" 2>&1
    check "update-mime-database parses the package without complaint" lacks "$work/mime.log" '[Ww]arning\|[Ee]rror\|[Uu]nknown'
    check "the MIME database has the glob" contains "$share/mime/globs2" '^50:application/x-lumo:\*\.lumo$'
    check "the MIME database has the icon" contains "$share/mime/icons" '^application/x-lumo:lumo$'

    for size in 16 22 24 32 48 64 128 256 512; do
        local png="$share/icons/hicolor/${size}x${size}/apps/lumo.png"
        check "icon ${size}x${size}" equals "$([ -f "$png" ] && $png_tool size "$png")" "$size $size"
    done
    check "scalable icon" xmllint --noout "$share/icons/hicolor/scalable/apps/lumo.svg"
    check "the big icon is drawn, not blank" \
        bash -c "[ \$($png_tool stats $share/icons/hicolor/128x128/apps/lumo.png 0 0 128 128 | cut -d' ' -f4) -gt 500 ]"

    check "the copyright file is installed" test -s "$share/doc/lumo/copyright"
    check "it is machine-readable (DEP-5), each licence with its text, each linked library named" \
        /usr/bin/python3 "$here/check_copyright.py" "$share/doc/lumo/copyright" "$root/usr/bin/lumo"
    check "LICENSE is the GPL, version 3" \
        bash -c "head -n 2 $source_dir/LICENSE | tr -s ' ' | grep -qx ' Version 3, 29 June 2007'"

    local man="$share/man/man1/lumo.1.gz"
    MANWIDTH=80 man -l "$man" >"$work/man.txt" 2>"$work/man.err" || true
    check "man -l renders lumo(1)" contains "$work/man.txt" '^NAME'
    check "man -l renders without warnings" empty_file "$work/man.err"
    zcat "$man" | groff -man -t -ww -z 2>"$work/groff.err" || true
    check "groff finds nothing to warn about" empty_file "$work/groff.err"
    check "the page carries the version" contains "$work/man.txt" "lumo $version"
    for section in SYNOPSIS OPTIONS CONTROLS FILES ENVIRONMENT 'EXIT STATUS'; do
        check "the page has $section" contains "$work/man.txt" "^$section"
    done
    # Every option of --help is in the page, and every option in the page is
    # one the program knows.
    "$root/usr/bin/lumo" --help | grep -o -e '--[a-z-]*' | sort -u >"$work/help-options"
    sed -n '/^OPTIONS/,/^CONTROLS/p' "$work/man.txt" | grep -o -e '--[a-z-]*' | sort -u >"$work/man-options"
    check "the page lists exactly the options of --help" diff "$work/help-options" "$work/man-options"
}

case_program() {
    local root="$work/root"
    stage "$root"
    local lumo="$root/usr/bin/lumo"

    "$lumo" --version >"$work/version.out" 2>&1 && status=0 || status=$?
    check "--version exits 0" equals "$status" 0
    check "--version prints the version" equals "$(cat "$work/version.out")" "lumo $version"
    "$lumo" --help >"$work/help.out" 2>&1 && status=0 || status=$?
    check "--help exits 0" equals "$status" 0
    check "--help: a usage line, then one line per option (some carried on), up to a blank line" \
        bash -c "sed -n '2,/^\$/p' $work/help.out | grep -v -c -E '^  (FILE|--[a-z-]+) |^ {20,}[^ ]|^\$' | grep -qx 0"
    check "--help: complete on its own, with no README to turn to" \
        bash -c "! grep -q README $work/help.out && grep -q '^  press CONTROL' $work/help.out"
    check "--help lists --version" contains "$work/help.out" '^  --version '

    run_lumo "$root" default --frames 5 --screenshot "$work/default.png"
    check "the installed program runs headless from another folder" ran default
    check "the installed program draws a frame" test -s "$work/default.png"
    check "it finds its picture" lacks "$work/default.err" 'not found'
    check "it draws the dome with the default picture" is_default_picture "$work/default.png"
    (cd "$work/elsewhere" && "$build/app/lumo" --headless --home "$work/home-build" --frames 5 \
        --screenshot "$work/build.png" >/dev/null 2>&1)
    check "it draws exactly what the build's program draws" $png_tool same "$work/default.png" "$work/build.png"

    # The picture it shows is the one in share/lumo ...
    cp "$root/usr/share/lumo/texture.png" "$work/texture.png"
    $png_tool solid 512 512 220 30 220 "$root/usr/share/lumo/texture.png"
    run_lumo "$root" magenta --frames 5 --screenshot "$work/magenta.png"
    check "the picture comes from share/lumo" is_magenta "$work/magenta.png"
    # ... and nothing else: without it, the source tree is not consulted.
    rm "$root/usr/share/lumo/texture.png"
    run_lumo "$root" missing --frames 5 --screenshot "$work/missing.png"
    check "without share/lumo/texture.png it reports the picture missing" contains "$work/missing.err" 'texture.png not found'
    check "... and still runs" test -s "$work/missing.png"
    cp "$work/texture.png" "$root/usr/share/lumo/texture.png"
}

case_filetype() {
    local root="$work/root" share="$work/root/usr/share"
    stage "$root"
    save_magenta_shape "$root"
    check "the installed program saved a shape file" test -s "$shape"

    local dirs="$share:/usr/share"
    filetype() { XDG_DATA_DIRS=$dirs xdg-mime query filetype "$1"; }
    filetype_gnome() { XDG_CURRENT_DESKTOP=GNOME XDG_DATA_DIRS=$dirs xdg-mime query filetype "$1"; }
    check "before update-mime-database the type is unknown" \
        bash -c "[ \"\$(XDG_DATA_DIRS=$dirs xdg-mime query filetype $shape)\" != application/x-lumo ]"
    update-mime-database "$share/mime" >/dev/null 2>&1

    cp "$shape" "$work/shape-without-extension"
    $png_tool binary-plist "$shape" "$work/binary-shape-without-extension"
    cp "$work/binary-shape-without-extension" "$work/binary.lumo"
    # A property list that is not a shape, named like nothing.
    printf '%s\n' '<?xml version="1.0" encoding="UTF-8"?>' \
        '<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">' \
        '<plist version="1.0">' '<dict>' '	<key>Name</key>' '	<string>x</string>' '</dict>' '</plist>' \
        >"$work/other-plist"

    check "xdg-mime: a saved .lumo is application/x-lumo" equals "$(filetype "$shape")" application/x-lumo
    check "xdg-mime: ... without its extension too (XML magic)" \
        equals "$(filetype "$work/shape-without-extension")" application/x-lumo
    check "xdg-mime: ... as a binary property list (binary magic)" \
        equals "$(filetype "$work/binary-shape-without-extension")" application/x-lumo
    check "xdg-mime: another property list is not a shape" \
        bash -c "[ \"\$(XDG_DATA_DIRS=$dirs xdg-mime query filetype $work/other-plist)\" != application/x-lumo ]"
    check "xdg-mime under GNOME (GIO): a saved .lumo is application/x-lumo" \
        equals "$(filetype_gnome "$shape")" application/x-lumo
    check "xdg-mime under GNOME (GIO): ... without its extension" \
        equals "$(filetype_gnome "$work/shape-without-extension")" application/x-lumo
    check "xdg-mime under GNOME (GIO): ... binary" \
        equals "$(filetype_gnome "$work/binary-shape-without-extension")" application/x-lumo

    # lumo.desktop is the application for the type.
    update-desktop-database "$share/applications"
    check "the desktop database maps the type to lumo.desktop" \
        contains "$share/applications/mimeinfo.cache" '^application/x-lumo=lumo.desktop;$'
    check "xdg-mime: the default application is lumo.desktop" \
        equals "$(XDG_DATA_DIRS=$dirs xdg-mime query default application/x-lumo)" lumo.desktop
    check "GIO: the default application is lumo.desktop" \
        bash -c "PATH=$root/usr/bin:\$PATH XDG_DATA_DIRS=$dirs gio mime application/x-lumo | grep -q '^Default application.*: lumo.desktop$'"
    for type in image/png image/jpeg; do
        check "the desktop database lists lumo.desktop for $type" \
            contains "$share/applications/mimeinfo.cache" "^$type=\(.*;\)\?lumo.desktop;"
        check "xdg-mime: lumo.desktop opens $type (its entry comes first in XDG_DATA_DIRS)" \
            equals "$(XDG_DATA_DIRS=$dirs xdg-mime query default $type)" lumo.desktop
        check "GIO: lumo.desktop is among the applications registered for $type" \
            bash -c "PATH=$root/usr/bin:\$PATH XDG_DATA_DIRS=$dirs gio mime $type | sed -n '/^Registered/,/^Recommended/p' | grep -q '^	lumo.desktop$'"
    done

    # Opening files through the desktop entry, as a file manager does: GIO
    # expands Exec=lumo %F and starts lumo from PATH. The lumo found first
    # records its arguments and runs the installed one headless with them.
    mkdir -p "$work/bin"
    cat >"$work/bin/lumo" <<EOF
#!/bin/sh
printf '%s\n' "\$@" >"$work/launch-args"
cd "$work/elsewhere"
"$root/usr/bin/lumo" --headless --home "$work/home-launch" --frames 5 --screenshot "$work/launched.png" "\$@" \
    >/dev/null 2>"$work/launched.err"
echo \$? >"$work/launch-status"
EOF
    chmod +x "$work/bin/lumo"
    PATH="$work/bin:$PATH" XDG_DATA_DIRS=$dirs gio launch "$share/applications/lumo.desktop" \
        "$shape" "$work/binary-shape-without-extension" </dev/null >/dev/null 2>&1 || true
    for _ in $(seq 1 100); do [ -s "$work/launch-status" ] && break; sleep 0.2; done
    check "the desktop entry hands both files to lumo" \
        equals "$(cat "$work/launch-args" 2>/dev/null)" "$shape"$'\n'"$work/binary-shape-without-extension"
    check "lumo opened them and exited 0" equals "$(cat "$work/launch-status" 2>/dev/null)" 0
    check "... without complaint" lacks "$work/launched.err" 'cannot open\|not found'
    check "... and shows the shape's own picture" is_magenta "$work/launched.png"
    run_lumo "$root" binary --frames 5 --screenshot "$work/binary.png" "$work/binary.lumo"
    check "a binary .lumo opens too" is_magenta "$work/binary.png"
    run_lumo "$root" nameless --frames 5 --screenshot "$work/nameless.png" "$work/shape-without-extension"
    check "a shape file without its extension opens as a shape" is_magenta "$work/nameless.png"
    check "... without complaint" lacks "$work/nameless.err" 'cannot open\|not found'
}

case_uninstall() {
    # Straight into a prefix, as `make install PREFIX=...` does.
    local prefix="$work/prefix"
    cmake --install "$build" --prefix "$prefix" --component lumo >"$work/install.log" 2>&1
    cp "$build/install_manifest_lumo.txt" "$work/manifest"
    check "the manifest lists 17 files" equals "$(grep -c '' "$work/manifest")" 17
    check "the install ran update-mime-database" contains "$prefix/share/mime/globs2" 'application/x-lumo:\*\.lumo'
    check "the install ran update-desktop-database" \
        contains "$prefix/share/applications/mimeinfo.cache" '^application/x-lumo=lumo.desktop;$'
    check "the install ran gtk-update-icon-cache" test -s "$prefix/share/icons/hicolor/icon-theme.cache"

    cmake -DMANIFEST="$work/manifest" -P "$source_dir/dist/uninstall.cmake" >"$work/uninstall.log" 2>&1
    local left=0
    while read -r file; do [ -e "$file" ] && { echo "      left: $file"; left=$((left + 1)); }; done <"$work/manifest"
    check "uninstall removes every file of the manifest" equals "$left" 0
    check "uninstall removes share/lumo" test ! -e "$prefix/share/lumo"
    check "uninstall refreshes the MIME database" lacks "$prefix/share/mime/globs2" 'application/x-lumo'
    check "uninstall refreshes the desktop database" lacks "$prefix/share/applications/mimeinfo.cache" 'lumo'
    # What stays is the caches' own files, no longer mentioning lumo.
    find "$prefix" -type f | grep -v -e '/share/mime/' -e '/mimeinfo.cache$' -e '/icon-theme.cache$' >"$work/left" || true
    check "nothing else is left" empty_file "$work/left"

    # Staged with DESTDIR, as `make install DESTDIR=...` does: the manifest
    # names the files without DESTDIR, the uninstall adds it back.
    stage "$work/staged"
    cp "$build/install_manifest_lumo.txt" "$work/staged-manifest"
    check "the manifest names the files as installed on the target" \
        contains "$work/staged-manifest" '^/usr/bin/lumo$'
    DESTDIR="$work/staged" cmake -DMANIFEST="$work/staged-manifest" -P "$source_dir/dist/uninstall.cmake" \
        >"$work/uninstall-staged.log" 2>&1
    find "$work/staged" -type f >"$work/left-staged"
    check "uninstall with the same DESTDIR removes every file" empty_file "$work/left-staged"
    check "... and runs none of the cache tools there" test ! -e "$work/staged/usr/share/mime/mime.cache"
}

case_deb() {
    cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
        { sed 's/^/      | /' "$work/cpack.log"; }
    local deb
    deb=$(ls "$work"/package/lumo_*.deb 2>/dev/null | head -n 1)
    check "cpack built a .deb" test -n "$deb"
    [ -n "$deb" ] || return 0

    dpkg-deb --info "$deb" >"$work/info"
    check "dpkg-deb --info: package lumo" contains "$work/info" '^ Package: lumo$'
    check "dpkg-deb --info: version $version" contains "$work/info" "^ Version: $version\$"
    for library in libsdl2-2.0-0 libsdl2-image-2.0-0 libepoxy0 'libplist-2.0-3\|libplist3' libstdc++6 libc6; do
        check "dpkg-deb --info: depends on $library" contains "$work/info" "^ Depends: .*\\($library\\)"
    done
    check "dpkg-deb --info: section graphics" contains "$work/info" '^ Section: graphics$'

    dpkg-deb --contents "$deb" | awk '{print $NF}' >"$work/contents"
    for path in usr/bin/lumo usr/share/lumo/texture.png usr/share/applications/lumo.desktop \
        usr/share/mime/packages/lumo.xml usr/share/metainfo/lumo.metainfo.xml usr/share/man/man1/lumo.1.gz \
        usr/share/icons/hicolor/scalable/apps/lumo.svg usr/share/icons/hicolor/48x48/apps/lumo.png \
        usr/share/doc/lumo/copyright; do
        check "the package holds /$path" contains "$work/contents" "^\./$path\$"
    done
    check "the package holds no generated caches (dpkg triggers make them)" \
        lacks "$work/contents" 'mime\.cache\|mimeinfo\.cache\|icon-theme\.cache\|/mime/globs'

    dpkg-deb --extract "$deb" "$work/unpacked"
    check "the packaged program is stripped" bash -c "! file -L $work/unpacked/usr/bin/lumo | grep -q 'not stripped'"
    run_lumo "$work/unpacked" unpacked --frames 5 --screenshot "$work/unpacked.png"
    check "the packaged program runs" ran unpacked
    check "the packaged program runs and finds its picture" lacks "$work/unpacked.err" 'not found'
    check "... and draws the dome" is_default_picture "$work/unpacked.png"
}

case "$case_name" in
tree | program | filetype | uninstall | deb) "case_$case_name" ;;
*)
    echo "unknown case $case_name" >&2
    exit 2
    ;;
esac
if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
