#!/usr/bin/env bash
# Makes the Debian package: a Release build of the program alone (no tests, no benchmarks) in
# build-package/, with all of Debian's hardening flags, then cpack. Installs what is missing first.
# The package lands in build-package/, as candlewatcher_<version>_<architecture>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh package
# Debian's tools build with this umask; files and folders made by the install script get its modes.
umask 022
export DEB_BUILD_MAINT_OPTIONS=hardening=+all

cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCANDLEWATCHER_TESTS=OFF \
    -DCANDLEWATCHER_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build build-package -j "$(nproc)" --target candlewatcher
(cd build-package && cpack -G DEB)
ls build-package/candlewatcher_*.deb
