#!/usr/bin/env bash
# Builds the Debian packages from the build tree, unpacks them into a temporary root and runs the
# installed programs from there; checks what the desktop needs (entry, MIME type, icons, AppStream
# data, manual pages), the computed dependencies and, where lintian is installed, Debian's rules.
#   package-test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
app=$(ls "$work"/out/tqv580_*.deb)
tools=$(ls "$work"/out/tqv580-tools_*.deb)
fail() { echo "FAIL: $*" >&2; exit 1; }

[[ $(dpkg-deb -f "$app" Package) == tqv580 ]] || fail "package name"
[[ $(dpkg-deb -f "$tools" Package) == tqv580-tools ]] || fail "tools package name"
[[ $(dpkg-deb -f "$app" Version) == "$version" ]] || fail "version"
depends=$(dpkg-deb -f "$app" Depends)
for lib in libqt6widgets6 libqt6serialport6 libqt6network6 libxlsxwriter; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
[[ $(dpkg-deb -f "$tools" Depends) == *libc6* ]] || fail "tools Depends"

root=$work/root
dpkg-deb -x "$app" "$root"
dpkg-deb -x "$tools" "$root"
# The simulator belongs to the tools package only.
dpkg-deb -c "$app" | grep -q 'usr/bin/tqv580-gateway-sim' && fail "simulator in the main package"

[[ $("$root/usr/bin/tqv580-cli" --version) == "tqv580-cli $version" ]] || fail "tqv580-cli --version"
[[ $("$root/usr/bin/tqv580" --version) == "tqv580 $version" ]] || fail "tqv580 --version"
env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/tqv580" --lang en --help | head -1 | grep -q '^Usage: tqv580 ' ||
  fail "tqv580 --help without a display"
# Read whole: grep -q leaving early would end the simulator's longer help with SIGPIPE.
[[ $("$root/usr/bin/tqv580-gateway-sim" --help) == *"--pty LINK"* ]] || fail "simulator --help"
"$root/usr/bin/tqv580-cli" new -o "$work/plant.tqv" 2>/dev/null
"$root/usr/bin/tqv580-cli" export "$work/plant.tqv" "$work/plant.xlsx" 2>/dev/null || fail "installed export"

share=$root/usr/share
for f in applications/tqv580.desktop mime/packages/tqv580.xml metainfo/io.github.tqv580.Configurator.metainfo.xml \
         icons/hicolor/scalable/apps/tqv580.svg icons/hicolor/48x48/apps/tqv580.png \
         icons/hicolor/256x256/apps/tqv580.png icons/hicolor/scalable/mimetypes/application-x-tqv580-project.svg \
         icons/hicolor/32x32/mimetypes/application-x-tqv580-project.png \
         man/man1/tqv580.1.gz man/man1/tqv580-cli.1.gz man/man1/tqv580-gateway-sim.1.gz; do
  [[ -s $share/$f ]] || fail "missing $f"
done
grep -qx 'Icon=tqv580' "$share/applications/tqv580.desktop" || fail "desktop entry without its icon"
# Every subcommand has its section in tqv580-cli's page, generated from its --help.
page=$(zcat "$share/man/man1/tqv580-cli.1.gz")
for sub in EXPORT UPLOAD ETH-DOWNLOAD MONITOR; do
  grep -qx ".SH $sub" <<<"$page" || fail "tqv580-cli(1) lacks $sub"
done
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$share/metainfo/io.github.tqv580.Configurator.metainfo.xml" >/dev/null ||
    fail "AppStream metadata"
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$share/applications/tqv580.desktop" || fail "desktop entry"
fi
# Debian's own checks: copyright, changelog, maintainer, descriptions, file placement.
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$app" "$tools" || fail "lintian"
fi
echo "packages: $(basename "$app") $(basename "$tools")"
