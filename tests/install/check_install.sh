#!/usr/bin/env bash
# Installs the build into a scratch root and checks what a desktop expects of it: both programs
# answering --help and --version, a valid menu entry that opens TIFF files, the icon in every size,
# valid AppStream metadata, compressed manual pages that render without warnings and the copyright
# file. With "deb" it also makes the package (saying cpack's own words when it cannot), and checks
# that its dependencies come from the shared libraries and that lintian finds no error in it.
# usage: check_install.sh BUILD_DIR [deb]
set -euo pipefail

build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

cmake --install "$build" --prefix "$root/usr" > /dev/null
fail() { echo "check_install: $*" >&2; exit 1; }

for program in faxlens faxlens-cli; do
    [ -x "$root/usr/bin/$program" ] || fail "$program is not installed"
    version=$(env -u DISPLAY "$root/usr/bin/$program" --version)
    [[ $version == "$program "[0-9]* ]] || fail "$program --version says '$version'"
    env -u DISPLAY "$root/usr/bin/$program" --help | grep -q "^usage: $program" ||
        fail "$program --help gives no usage"
done

desktop=$root/usr/share/applications/org.faxlens.Faxlens.desktop
desktop-file-validate "$desktop" || fail "the menu entry is not valid"
grep -qx 'MimeType=image/tiff;' "$desktop" || fail "the menu entry does not open TIFF files"

for size in 16 32 48 128 256; do
    icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/faxlens.png
    [ -s "$icon" ] || fail "no ${size}x${size} icon"
    # PNG width and height stand big-endian at bytes 16 and 20.
    [ "$(od -An -tu4 --endian=big -j16 -N8 "$icon" | tr -s ' ' | sed 's/^ //')" = "$size $size" ] ||
        fail "the ${size}x${size} icon has another size"
done
[ -s "$root/usr/share/icons/hicolor/scalable/apps/faxlens.svg" ] || fail "no scalable icon"

appstreamcli validate --no-net "$root/usr/share/metainfo/org.faxlens.Faxlens.metainfo.xml" > /dev/null ||
    fail "the AppStream metadata is not valid"

for page in faxlens faxlens-cli; do
    man=$root/usr/share/man/man1/$page.1.gz
    [ -s "$man" ] || fail "no manual page $page.1.gz"
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$man" 2>&1 > /dev/null || true)
    [ -z "$warnings" ] || fail "$page.1: $warnings"
done
for command in list report info decode convert pdf check --json --images --version; do
    zcat "$root/usr/share/man/man1/faxlens-cli.1.gz" | grep -q -- "$(sed 's/-/\\\\-/g' <<< "$command")" ||
        fail "faxlens-cli.1 does not cover $command"
done
[ -s "$root/usr/share/doc/faxlens/copyright" ] || fail "no copyright file"

if [ "${2:-}" = deb ]; then
    said=$(cd "$build" && cpack -G DEB 2>&1) || fail "cpack cannot make the package: $said"
    deb=$(ls -t "$build"/faxlens_*.deb | head -1)
    depends=$(dpkg-deb -f "$deb" Depends)
    for library in libc6 libqt6widgets6 zlib1g libjbig0; do
        grep -q "$library" <<< "$depends" || fail "the package does not depend on $library: $depends"
    done
    [ "$(dpkg-deb -f "$deb" Recommends)" = fonts-wine ] || fail "the package does not recommend fonts-wine"
    contents=$(dpkg-deb -c "$deb")
    for file in ./usr/bin/faxlens ./usr/bin/faxlens-cli \
        ./usr/share/applications/org.faxlens.Faxlens.desktop \
        ./usr/share/man/man1/faxlens-cli.1.gz ./usr/share/doc/faxlens/copyright \
        ./usr/share/doc/faxlens/changelog.gz; do
        grep -q " $file\$" <<< "$contents" || fail "the package lacks $file"
    done
    # As root lintian warns about itself; that is no finding about the package.
    findings=$(lintian --fail-on error "$deb" 2>&1) ||
        fail "lintian finds errors: $(grep -v 'root privileges' <<< "$findings")"
fi
echo "check_install: all good"
