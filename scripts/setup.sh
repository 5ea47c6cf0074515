#!/usr/bin/env bash
# Installs the Debian packages Korvane needs to build, run and test.
# This is the one place the package list lives; run.sh and test.sh call it.
# It only touches apt when something is missing, so a ready machine pays nothing.
set -euo pipefail

PACKAGES=(
  # build
  cmake
  ninja-build
  g++
  pkg-config
  # tests and benchmarks
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  libcurl4-openssl-dev # the benchmarks' peer for GetPage
  clang-format
  # the Windows round of test.sh: the core cross-built, its tests under Wine
  g++-mingw-w64-x86-64-posix
  mingw-w64-tools
  wine64
  zip                # ./windows-zip.sh packs the Windows program
  unzip              # scripts/windows-trial.sh unpacks it
  # fuzzing (fuzz/run.sh): clang with libFuzzer, and readable reports
  clang
  libclang-rt-14-dev
  llvm
  # the window
  qt6-base-dev
  qt6-webengine-dev           # the web panes (Chromium-based Qt WebEngine)
  libqt6webenginecore6-bin    # QtWebEngineProcess, the engine's page processes
  qt6-charts-dev              # the ranking chart
  libgl-dev
  fonts-liberation   # metric-compatible Arial
  fonts-wqy-microhei # Chinese text on a bare machine
  qt6-translations-l10n  # the toolkit's own dialog buttons and menus in Chinese
  libqt6webengine6-data  # the web engine's Chinese error pages (zh-CN.pak)
  # GUI tests
  xvfb
  xauth
  libxcb1-dev        # reads back the title an X server holds for a window
)

missing=()
for p in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
