#!/usr/bin/env bash
# Builds the Qt that Korvane's window needs on Windows -- Qt Base (Core, Gui,
# Widgets, Test, the windows and offscreen platform plugins, the styles) and
# Qt Charts 6.4.2 -- with Debian's MinGW-w64, once, into a cache outside the
# work tree. Debian ships Qt for Linux only, and Qt WebEngine cannot be built
# with MinGW at all, so this is the whole Windows Qt the program uses.
#
#   scripts/qt-windows.sh            unpacks or builds when missing, then prints the kit's path
#   scripts/qt-windows.sh --prefix   prints where the kit is (or would be), builds nothing
#   scripts/qt-windows.sh --check    exits 0 when the kit is built, 1 otherwise
#   scripts/qt-windows.sh --unpack   unpacks the packed kit when there is one that
#                                    matches (see below), never builds; exits 0
#                                    when the kit is then there, 1 otherwise
#
# Only the kit's path goes to standard output; the build's progress goes to
# standard error, so KORVANE_QT_WINDOWS=$(scripts/qt-windows.sh) holds the path.
#
# The kit lives in ${XDG_CACHE_HOME:-~/.cache}/korvane/ (KORVANE_QT_CACHE moves
# it), in a folder named after the Qt version and a digest of the build options
# below, so changing an option builds a new kit beside the old one. A finished
# kit carries a stamp; a second run finds it and returns at once. A clean build
# takes about 40 minutes on 2 cores (Qt Base ~35, Qt Charts ~5).
#
# A packed kit in ../shared/qt-kit/ (KORVANE_QT_KIT moves it), named as the
# folder this script would build and listed in its SHA256SUMS, is unpacked
# instead of building: a fresh machine has the kit in about a minute. A kit
# packed in another cache folder has that folder in its CMake and qmake files;
# they are pointed at this one.
#
# The source archives come from ../shared/qt-src/ when they are there (checked
# against its SHA256SUMS), else from Debian's source packages (apt-get source;
# needs a deb-src line).
set -euo pipefail

QT_VERSION=6.4.2
root=$(cd "$(dirname "$0")/.." && pwd)
shared_src="${KORVANE_QT_SRC:-$root/../shared/qt-src}"
shared_kit="${KORVANE_QT_KIT:-$root/../shared/qt-kit}"
cache="${KORVANE_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/korvane}"
jobs="${KORVANE_QT_JOBS:-$(nproc)}"

# Qt Base configured for MinGW-w64 with Debian's Qt 6.4.2 as the host tools.
# Off: what Korvane's window does not use (it talks HTTP through its own
# client). The windows platform plugin includes wintab.h, which Debian's
# MinGW-w64 headers leave out, so tablet events go; the same plugin does not
# compile without OpenGL in 6.4.2, so OpenGL stays on (dynamic, the default).
QTBASE_OPTIONS=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  -DFEATURE_sql=OFF
  -DFEATURE_network=OFF
  -DFEATURE_dbus=OFF
  -DFEATURE_concurrent=OFF
  -DFEATURE_printsupport=OFF
  -DFEATURE_xml=OFF
  -DFEATURE_icu=OFF
  -DFEATURE_vulkan=OFF
  -DFEATURE_direct2d=OFF
  -DFEATURE_tabletevent=OFF
  -DFEATURE_system_zlib=OFF
  -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_png=OFF
  -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_freetype=OFF
)
QTCHARTS_OPTIONS=(
  -DCMAKE_BUILD_TYPE=Release
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
)

# The toolchain the kit is built with; copied into the kit, whose
# qt.toolchain.cmake loads it again for every project built against the kit.
toolchain_text() {
  cat <<'TOOLCHAIN'
# MinGW-w64 (POSIX threads) from Debian, for the Qt kit and what is built on it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TOOLCHAIN
}

# Qt 6.4.2 builds the DirectWrite font database into Qt Gui only with
# Direct2D on, yet the windows plug-in offers it whenever DirectWrite 3 is
# on; without Direct2D (which Korvane does not use) the plug-in would not
# link. Its default GDI font database is what it uses anyway.
DIRECTWRITE_PATCH='s/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/'
# Qt names its source files in a few messages (__FILE__); the DLLs a seller
# gets must not carry this machine's folders, so the sources are named from
# the work folder down (qtbase/src/...). @WORK@ is that folder.
PATH_FLAGS_TEMPLATE='-ffile-prefix-map=@WORK@/='

key=$( { echo "$QT_VERSION"; printf '%s\n' "${QTBASE_OPTIONS[@]}" "${QTCHARTS_OPTIONS[@]}";
         toolchain_text; echo "$DIRECTWRITE_PATCH"; echo "$PATH_FLAGS_TEMPLATE"; } \
       | sha256sum | cut -c1-12)
prefix="$cache/qt-$QT_VERSION-x86_64-w64-mingw32-$key"
stamp="$prefix/.korvane-built"

say() { echo "qt-windows: $*" >&2; }

# Unpacks the packed kit of this very name when its checksum holds; fails,
# leaving nothing behind, when there is none or it does not match.
unpack_shared_kit() {
  local name archive packed_prefix staging
  name=$(basename "$prefix")
  archive="$shared_kit/$name.tar.xz"
  [[ -f "$archive" && -f "$shared_kit/SHA256SUMS" ]] || return 1
  grep -q " $name.tar.xz\$" "$shared_kit/SHA256SUMS" || return 1
  say "checking $archive"
  (cd "$shared_kit" && grep " $name.tar.xz\$" SHA256SUMS | sha256sum --quiet -c - >&2) ||
    { say "$archive does not match its SHA256SUMS; not unpacking it"; return 1; }
  say "unpacking $archive into $cache"
  mkdir -p "$cache"
  staging=$(mktemp -d "$cache/unpack-XXXXXX")
  tar -C "$staging" -xJf "$archive"
  [[ -f "$staging/$name/.korvane-built" ]] || { rm -rf "$staging"; return 1; }
  packed_prefix=$(sed -n 's|^set(__qt_initially_configured_toolchain_file "\(.*\)/mingw-w64.toolchain.cmake")$|\1|p' \
                    "$staging/$name/lib/cmake/Qt6/qt.toolchain.cmake")
  if [[ -n "$packed_prefix" && "$packed_prefix" != "$prefix" ]]; then
    grep -rlIF "$packed_prefix" "$staging/$name" | while read -r file; do
      sed -i "s|$packed_prefix|$prefix|g" "$file"
    done
  fi
  rm -rf "$prefix"
  mv "$staging/$name" "$prefix"
  rmdir "$staging"
}

case "${1:-}" in
  --prefix) echo "$prefix"; exit 0 ;;
  --check) [[ -f "$stamp" ]]; exit ;;
  --unpack) [[ -f "$stamp" ]] || unpack_shared_kit; exit ;;
  "") ;;
  *) echo "usage: $0 [--prefix|--check|--unpack]" >&2; exit 2 ;;
esac

if [[ -f "$stamp" ]] || unpack_shared_kit; then
  echo "$prefix"
  exit 0
fi

# From here on everything but the kit's path goes to standard error: ninja
# and apt-get write their progress to standard output.
exec 3>&1 1>&2
work="$cache/work-$QT_VERSION-$key"
# A run cut short goes on where it stopped: the unpacked sources, the build
# trees and an installed Qt Base are kept until the kit is finished.
base_stamp="$prefix/.korvane-qtbase-built"
sources_stamp="$work/.korvane-sources"
mkdir -p "$work" "$prefix"

# The archives: ours if present and intact, else Debian's source packages.
fetch_sources() {
  if [[ -f "$shared_src/SHA256SUMS" ]]; then
    say "checking the archives in $shared_src"
    (cd "$shared_src" && sha256sum --quiet -c SHA256SUMS)
    tar -C "$work" -xJf "$shared_src/qtbase-$QT_VERSION.tar.xz"
    tar -C "$work" -xJf "$shared_src/qtcharts-$QT_VERSION.tar.xz"
    mv "$work/qtbase-everywhere-src-$QT_VERSION" "$work/qtbase"
    mv "$work/qtcharts-$QT_VERSION" "$work/qtcharts"
  else
    # apt-get source checks each file against the signed Sources index.
    say "no $shared_src; taking Debian's source packages"
    (cd "$work" && apt-get source --download-only "qt6-base=$QT_VERSION*" "qt6-charts=$QT_VERSION*")
    (cd "$work" && dpkg-source --no-copy --skip-patches -x qt6-base_*.dsc qtbase \
       && dpkg-source --no-copy --skip-patches -x qt6-charts_*.dsc qtcharts)
  fi
}

started=$(date +%s)
say "building Qt Base and Qt Charts $QT_VERSION for Windows into $prefix"
say "a first build takes about 40 minutes on 2 cores; later runs find it at once"
if [[ ! -f "$sources_stamp" ]]; then
  rm -rf "$work/qtbase" "$work/qtcharts"
  fetch_sources
  windows_integration="$work/qtbase/src/plugins/platforms/windows/qwindowsintegration.cpp"
  sed -i "$DIRECTWRITE_PATCH" "$windows_integration"
  grep -q '^#if QT_CONFIG(directwrite3) && QT_CONFIG(direct2d)$' "$windows_integration" ||
    { say "the DirectWrite patch no longer applies to $windows_integration"; exit 1; }
  touch "$sources_stamp"
fi
toolchain_text >"$prefix/mingw-w64.toolchain.cmake"

path_flags=${PATH_FLAGS_TEMPLATE//@WORK@/$work}
nice_run() { nice -n "${KORVANE_QT_NICE:-19}" "$@"; }

if [[ ! -f "$base_stamp" ]]; then
  say "configuring Qt Base"
  [[ -f "$work/build-qtbase/build.ninja" ]] ||
  nice_run cmake -S "$work/qtbase" -B "$work/build-qtbase" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64.toolchain.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${QTBASE_OPTIONS[@]}" \
    -DCMAKE_C_FLAGS="$path_flags" -DCMAKE_CXX_FLAGS="$path_flags" >"$work/qtbase-configure.log"
  say "building Qt Base"
  nice_run cmake --build "$work/build-qtbase" -j"$jobs"
  nice_run cmake --install "$work/build-qtbase" >/dev/null
  touch "$base_stamp"
fi

say "configuring Qt Charts"
nice_run cmake -S "$work/qtcharts" -B "$work/build-qtcharts" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${QTCHARTS_OPTIONS[@]}" \
  -DCMAKE_C_FLAGS="$path_flags" -DCMAKE_CXX_FLAGS="$path_flags" >"$work/qtcharts-configure.log"
say "building Qt Charts"
nice_run cmake --build "$work/build-qtcharts" -j"$jobs"
nice_run cmake --install "$work/build-qtcharts" >/dev/null

# The kit carries what its DLLs need beside them, as Qt's own MinGW kits do:
# the MinGW runtime DLLs they were linked against, and Qt's Chinese texts
# (Debian's qt6-translations-l10n, the same release; .qm files suit every
# platform).
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  cp "$(x86_64-w64-mingw32-g++-posix -print-file-name="$dll")" "$prefix/bin/"
done
mkdir -p "$prefix/translations"
cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$prefix/translations/"

if grep -laF "$work" "$prefix"/bin/*.dll "$prefix"/plugins/*/*.dll; then
  say "the DLLs above still name $work"
  exit 1
fi

rm -rf "$work" "$base_stamp"
elapsed=$(( $(date +%s) - started ))
echo "Qt $QT_VERSION for x86_64-w64-mingw32, built in $((elapsed / 60)) min $((elapsed % 60)) s" >"$stamp"
say "done in $((elapsed / 60)) min $((elapsed % 60)) s"
echo "$prefix" >&3
