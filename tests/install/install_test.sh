#!/usr/bin/env bash
# Installs the build into a temporary root under /usr and checks the tree: the files, the validators of the
# desktop entry, metainfo and manual pages, pkg-config and a C program built and run against the library,
# and no path into the build tree in any installed program or library.
# usage: install_test.sh BUILD_DIR LIBDIR [PROBE_CFLAGS]
set -euo pipefail
build="$1"
libdir="$2"
probe_cflags="${3:-}"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
usr="$root/usr"
failures=0
fail() { echo "install_test: $*" >&2; failures=$((failures + 1)); }

for f in bin/vxf bin/vxfdeck "$libdir/libVXFServer.so.1" "$libdir/libVXFServer.so" "$libdir/libVXF1394.so.1" \
         "$libdir/libVXF1394.so" include/vxf/tavovxf.h include/vxf/vxfx.h include/vxf/i1394.h \
         "$libdir/pkgconfig/vxfserver.pc" "$libdir/pkgconfig/vxf1394.pc" \
         "$libdir/cmake/VXFServer/VXFServerConfig.cmake" "$libdir/cmake/VXFServer/VXFServerConfigVersion.cmake" \
         share/applications/org.vxfdeck.vxfdeck.desktop share/icons/hicolor/scalable/apps/org.vxfdeck.vxfdeck.svg \
         share/metainfo/org.vxfdeck.vxfdeck.metainfo.xml share/man/man1/vxf.1.gz share/man/man1/vxfdeck.1.gz share/doc/vxfdeck/changelog.gz \
         share/bash-completion/completions/vxf lib/udev/rules.d/60-vxfdeck.rules share/doc/vxfdeck/copyright; do
  [ -e "$usr/$f" ] || fail "missing $f"
done

desktop-file-validate "$usr/share/applications/org.vxfdeck.vxfdeck.desktop" || fail "desktop entry invalid"
appstreamcli validate --no-net "$usr/share/metainfo/org.vxfdeck.vxfdeck.metainfo.xml" >/dev/null ||
  fail "metainfo invalid"
xmllint --noout "$usr/share/icons/hicolor/scalable/apps/org.vxfdeck.vxfdeck.svg" || fail "icon is not XML"
for page in vxf vxfdeck; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
done
# Every command of the program is in its manual page.
"$usr/bin/vxf" --help | sed -n 's/^  \([a-z][a-z-]*\( [a-z][a-z-]*\)\?\)  .*/\1/p' | sed 's/ *$//' | while read -r command; do
  grep -q "^\.B vxf $(echo "$command" | sed 's/-/\\\\-/g')\$" <(gzip -dc "$usr/share/man/man1/vxf.1.gz") || echo "$command"
done >"$root/unlisted"
[ ! -s "$root/unlisted" ] || fail "commands missing from vxf.1: $(tr '\n' ' ' <"$root/unlisted")"

export PKG_CONFIG_PATH="$usr/$libdir/pkgconfig"
[ "$(pkg-config --modversion vxfserver)" = "$("$usr/bin/vxf" --version | cut -d' ' -f2)" ] ||
  fail "pkg-config version differs from vxf --version"
cat >"$root/probe.c" <<'C'
#include <stdio.h>
#include <tavovxf.h>
int main(void) {
    uint16_t count = 99;
    int32_t code = tavovxfDriveGetNum(&count);
    printf("drives %u code %d\n", (unsigned)count, (int)code);
    return code == 0 ? 0 : 1;
}
C
# shellcheck disable=SC2046
cc $probe_cflags -o "$root/probe" "$root/probe.c" $(pkg-config --cflags --libs vxfserver) || fail "probe does not build"
printf 'Count=0\n' >"$root/disks"
out=$(VXF_DISK_ENUM="$root/disks" LD_LIBRARY_PATH="$usr/$libdir" "$root/probe") || fail "probe failed: $out"
[ "$out" = "drives 0 code 0" ] || fail "probe said: $out"

build_path="$(cd "$build" && pwd)"
for f in "$usr/bin/vxf" "$usr/bin/vxfdeck" "$usr/$libdir"/lib*.so.1; do
  if readelf -d "$f" | grep -E 'RUNPATH|RPATH' | grep -qF "$build_path"; then fail "$f points into the build tree"; fi
  if readelf -d "$f" | grep -E 'RUNPATH|RPATH' | grep -v 'ORIGIN' | grep -q .; then fail "$f has a fixed RUNPATH"; fi
done
# The installed programs run from the prefix alone.
VXF_DISK_ENUM="$root/disks" "$usr/bin/vxf" drives >/dev/null || fail "installed vxf does not run"

[ "$failures" -eq 0 ] || exit 1
echo "install_test: installed tree checked"
