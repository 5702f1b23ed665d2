#!/bin/bash
# Builds the Debian package quillan_VERSION_ARCH.deb from a Release build in build-deb (or the
# folder given as the first argument) and checks it with lintian when lintian is installed.
# Needs the build packages (scripts/setup-deps.sh) and dpkg-dev for dpkg-shlibdeps.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-deb}
cd "$root"
scripts/setup-deps.sh
# The distribution's hardening flags (fortify, stack protector, relro, bind-now), as a Debian
# build would use them.
if command -v dpkg-buildflags >/dev/null 2>&1; then
    export DEB_BUILD_MAINT_OPTIONS=${DEB_BUILD_MAINT_OPTIONS:-hardening=+all}
    export CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
    export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
    export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLAN_TESTS=OFF -DQUILLAN_GUI=ON >/dev/null
cmake --build "$build" -j "${JOBS:-$(nproc)}"
(cd "$build" && cpack -G DEB)
deb=$(ls -t "$build"/quillan_*.deb | head -n 1)
echo "Package: $deb"
if command -v lintian >/dev/null 2>&1; then
    lintian --info "$deb"
else
    echo "lintian is not installed (apt-get install lintian); the package was not checked" >&2
fi
