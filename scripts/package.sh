#!/bin/bash
# Builds the Debian package quillan_VERSION-RELEASE_ARCH.deb from a Release build in build-deb
# (or the folder given as the first argument) and checks it with lintian when lintian is
# installed. Needs the build packages (scripts/setup-deps.sh); build-essential brings dpkg-dev
# with dpkg-buildflags and dpkg-shlibdeps. JOBS limits the parallel compile jobs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-deb}
cd "$root"
scripts/setup-deps.sh
# The distribution's hardening flags (fortify, stack protector, relro, bind-now), as a Debian
# build would use them. They are passed on every configure: CMake reads CFLAGS and LDFLAGS from
# the environment only when it makes a new cache.
flags=()
if command -v dpkg-buildflags >/dev/null 2>&1; then
    export DEB_BUILD_MAINT_OPTIONS=${DEB_BUILD_MAINT_OPTIONS:-hardening=+all}
    cppflags=$(dpkg-buildflags --get CPPFLAGS)
    cflags=$(dpkg-buildflags --get CFLAGS)
    cxxflags=$(dpkg-buildflags --get CXXFLAGS)
    ldflags=$(dpkg-buildflags --get LDFLAGS)
    flags=("-DCMAKE_C_FLAGS=$cflags $cppflags" "-DCMAKE_CXX_FLAGS=$cxxflags $cppflags"
        "-DCMAKE_EXE_LINKER_FLAGS=$ldflags")
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLAN_TESTS=OFF -DQUILLAN_GUI=ON "${flags[@]}" >/dev/null
cmake --build "$build" -j "${JOBS:-$(nproc)}"
rm -f "$build"/quillan_*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/quillan_*.deb)
deb=${debs[0]}
echo "Package: $deb"
if command -v lintian >/dev/null 2>&1; then
    lintian --info "$deb"
else
    echo "lintian is not installed (apt-get install lintian); the package was not checked" >&2
fi
