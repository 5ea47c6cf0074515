#!/usr/bin/env bash
# Makes Korvane-<version>-windows-x64.zip in the project root: Korvane.exe and
# every DLL and plug-in it loads beyond Windows' own (Qt's, the MinGW
# runtime's), plus Qt's Chinese texts; nothing else. Unpacked anywhere, the
# folder is the program. Cross-built here with MinGW-w64 on the Qt kit of
# scripts/qt-windows.sh, which this unpacks from ../shared/qt-kit/ or builds
# first when it is missing (about 40 minutes once when it builds). On Windows the panes show the publisher's pages as rich text
# through Korvane's own HTTP client: MinGW cannot build Qt WebEngine.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh

# The kit's folder only: its progress (a build's is long) goes to the terminal.
scripts/qt-windows.sh >/dev/null
KORVANE_QT_WINDOWS=$(scripts/qt-windows.sh --prefix)
export KORVANE_QT_WINDOWS
cmake --preset windows-cross >/dev/null
cmake --build --preset windows-cross --target Korvane

version=$(sed -n 's/^project(Korvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name="Korvane-$version-windows-x64"
stage="build-windows-qt/zip/$name"
rm -rf "build-windows-qt/zip" "$name.zip"
mkdir -p "$stage"

kit_bin="$KORVANE_QT_WINDOWS/bin"
kit_plugins="$KORVANE_QT_WINDOWS/plugins"
# The plug-ins Qt loads for this window: the Windows platform, its native
# look, and the image formats the publisher's pages use (PNG is built in).
plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qjpeg.dll
         imageformats/qgif.dll imageformats/qico.dll)

cp build-windows-qt/src/Korvane.exe "$stage/"
for plugin in "${plugins[@]}"; do
  mkdir -p "$stage/$(dirname "$plugin")"
  cp "$kit_plugins/$plugin" "$stage/$plugin"
done
# Qt finds its texts in translations/ beside its DLLs.
mkdir -p "$stage/translations"
cp "$KORVANE_QT_WINDOWS/translations/qtbase_zh_CN.qm" "$stage/translations/"

# Every DLL the program and its plug-ins import, and theirs in turn, that
# comes with the kit; the others are Windows' own (KERNEL32.dll, USER32.dll...).
imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
queue=("$stage/Korvane.exe")
for plugin in "${plugins[@]}"; do queue+=("$stage/$plugin"); done
system=()
while ((${#queue[@]})); do
  file=${queue[0]}
  queue=("${queue[@]:1}")
  while read -r dll; do
    if [[ -f "$stage/$dll" ]]; then continue; fi
    if [[ -f "$kit_bin/$dll" ]]; then
      cp "$kit_bin/$dll" "$stage/"
      queue+=("$stage/$dll")
    else
      system+=("$dll")
    fi
  done < <(imports "$file")
done

# Debug information stays behind: it holds the build machine's paths.
find "$stage" -name '*.exe' -o -name '*.dll' | while read -r binary; do
  x86_64-w64-mingw32-strip --strip-unneeded "$binary"
done
if grep -rlaE "$HOME|$PWD|/usr/(lib|share|include|x86_64)" "$stage"; then
  echo "windows-zip: the files above name a path of this machine" >&2
  exit 1
fi

(cd "build-windows-qt/zip" && zip -qr -X "../../$name.zip" "$name")
echo "Windows' own DLLs it imports: $(printf '%s\n' "${system[@]}" | sort -uf | tr '\n' ' ')"
echo "$name.zip: $(du -k "$name.zip" | cut -f1) KB, $(find "$stage" -type f | wc -l) files"
