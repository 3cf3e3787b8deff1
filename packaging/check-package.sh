#!/usr/bin/env bash
# CI: the package `make package` left in the build folder, unpacked into a scratch
# folder. It must hold the four programs, the venue service's unit and example venue
# file, the desktop entry, the icons, the AppStream data, the manual pages and the
# documents, declare its Qt 6 dependencies, pass
# lintian without errors, and every program must answer --version from there with
# the package's version.
set -euo pipefail
build=${1:-build}
shopt -s nullglob
debs=("$build"/kdsp_*.deb)
if [ ${#debs[@]} -ne 1 ]; then
  echo "check-package: expected one kdsp_*.deb in $build, found ${#debs[@]}" >&2
  exit 1
fi
deb=${debs[0]}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch"
fail() { echo "check-package: $*" >&2; exit 1; }

for file in usr/bin/kdsp usr/bin/kdsp-control usr/bin/kdsp-sim usr/bin/kdspd \
  lib/systemd/system/kdspd.service etc/kdsp/venue.conf usr/share/man/man1/kdspd.1.gz \
  usr/share/applications/kdsp-control.desktop \
  usr/share/icons/hicolor/scalable/apps/kdsp-control.svg \
  usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/kdsp-control.png \
  usr/share/man/man1/{kdsp,kdsp-control,kdsp-sim}.1.gz \
  usr/share/kdsp/Mode/Z5KRON-Mode; do
  [ -e "$scratch/$file" ] || fail "$file is missing from $deb"
done
metainfo=("$scratch"/usr/share/metainfo/*.metainfo.xml)
[ ${#metainfo[@]} -eq 1 ] || fail "no AppStream data in $deb"
appstreamcli validate --no-net "${metainfo[0]}" >/dev/null || fail "AppStream data: $(appstreamcli validate --no-net "${metainfo[0]}")"
desktop-file-validate "$scratch/usr/share/applications/kdsp-control.desktop" || fail "desktop entry"

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6serialport6; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

version=$(dpkg-deb -f "$deb" Version)
for program in kdsp kdsp-sim kdsp-control kdspd; do
  out=$(QT_QPA_PLATFORM=offscreen "$scratch/usr/bin/$program" --version 2>/dev/null) ||
    fail "$program --version failed"
  grep -q "$version" <<<"$out" || fail "$program --version says '$out', not $version"
  echo "$program: $out"
done
grep -q "Qt 6" <<<"$(QT_QPA_PLATFORM=offscreen "$scratch/usr/bin/kdsp-control" --version 2>/dev/null)" ||
  fail "kdsp-control --version does not name its Qt"
# The documents and their pictures, with the links between them working where installed.
doc="$scratch/usr/share/doc/kdsp"
for file in copyright changelog.gz README.md docs/user-guide.md docs/parameters.md; do
  [ -e "$doc/$file" ] || fail "usr/share/doc/kdsp/$file is missing from $deb"
done
for md in "$doc/README.md" "$doc"/docs/*.md; do
  for link in $(grep -o '](\([^)#:]*\))' "$md" | sed 's/^](//; s/)$//'); do
    [ -e "$(dirname "$md")/$link" ] || fail "${md#"$scratch"} links to $link, which is not installed"
  done
done
# The manual pages: nobody's home folder, an exit-status section, every command's options.
for page in kdsp kdsp-control kdsp-sim kdspd; do
  text=$(zcat "$scratch/usr/share/man/man1/$page.1.gz")
  grep -q '^\.SH "\?EXIT STATUS' <<<"$text" || fail "$page.1 has no EXIT STATUS section"
  ! grep -q "/home/\|$HOME" <<<"$text" || fail "$page.1 names a home folder: $(grep -m1 "/home/\|$HOME" <<<"$text")"
done
for sub in "fleet status" "fleet set" "preset show" get set; do
  zcat "$scratch/usr/share/man/man1/kdsp.1.gz" | grep -q "^\.SS $sub\$" || fail "kdsp.1 lacks the options of kdsp $sub"
done
# The venue service: its unit passes systemd's checks (with the binary and manual page
# from the package), its example venue file is valid and a configuration file.
unit="$scratch/kdspd.service"
sed "s|/usr/bin/kdspd|$scratch/usr/bin/kdspd|" "$scratch/lib/systemd/system/kdspd.service" >"$unit"
MANPATH="$scratch/usr/share/man" systemd-analyze verify "$unit" || fail "kdspd.service does not pass systemd-analyze verify"
"$scratch/usr/bin/kdspd" check "$scratch/etc/kdsp/venue.conf" >/dev/null || fail "the example venue file is not valid"
dpkg-deb -I "$deb" conffiles | grep -qx /etc/kdsp/venue.conf || fail "/etc/kdsp/venue.conf is not a conffile"
# Debian's own checks: no errors.
lintian --fail-on error --suppress-tags-from-file /dev/null "$deb" || fail "lintian found errors in $deb"
echo "check-package: $deb is complete"
