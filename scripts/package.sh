#!/usr/bin/env bash
# Builds the Debian package build-package/vk742b-config_<version>_<arch>.deb (a Release
# build of the two programs, with Debian's hardening flags) and checks what it ships with
# desktop-file-validate, appstreamcli and lintian.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh dpkg-dev file help2man librsvg2-bin desktop-file-utils appstream lintian

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DVK_TESTS=OFF -DVK_PACKAGING=ON \
      -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build build-package
rm -f build-package/vk742b-config_*.deb
(cd build-package && cpack -G DEB >/dev/null)
deb=$(ls build-package/vk742b-config_*.deb)
echo "== $deb"

root=build-package/unpacked
rm -rf "$root" && mkdir -p "$root"
dpkg-deb -x "$deb" "$root"
dpkg-deb -f "$deb" Package Version Architecture Depends

programs=$(ls "$root/usr/bin" | tr '\n' ' ')
if [ "$programs" != "vk742b-config vk742b-sim " ]; then
    echo "usr/bin should hold exactly the two programs, not: $programs" >&2
    exit 1
fi
echo "== desktop-file-validate"
desktop-file-validate "$root"/usr/share/applications/*.desktop
echo "== appstreamcli validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
appstreamcli validate-tree --no-net "$root"
echo "== lintian"
lintian --fail-on error --display-info "$deb"
echo "== $deb: all checks passed"
