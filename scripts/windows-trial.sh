#!/usr/bin/env bash
# Tries the Windows zip as a seller meets it, beside the Linux program: each
# is started on its own in a network namespace of its own where the
# marketplace's and the publisher's names lead to a loopback marketplace
# serving the sample shop, on a virtual X display; a detection is run by
# keyboard and mouse, each result tab is copied out through the clipboard and
# photographed. The three tables of the two programs must be the same.
#
#   scripts/windows-trial.sh [out-dir]     (as root, after ./windows-zip.sh)
#
# Leaves in out-dir (build-windows-qt/trial): <program>-tab<N>.png,
# <program>-tab<N>.txt and <program>-memory.txt for program linux and windows.
# Nothing leaves the machine: the namespace has only its own loopback.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$(realpath -m "${1:-build-windows-qt/trial}")

version=$(sed -n 's/^project(Korvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip="$root/Korvane-$version-windows-x64.zip"
[[ -f "$zip" ]] || { echo "windows-trial: no $zip; run ./windows-zip.sh first" >&2; exit 1; }
[[ $(id -u) == 0 ]] || { echo "windows-trial: needs root (a network namespace)" >&2; exit 1; }
for tool in xdotool:xdotool xwd:x11-apps xclip:xclip convert:imagemagick Xvfb:xvfb; do
  command -v "${tool%%:*}" >/dev/null || apt-get install -y "${tool#*:}" >/dev/null
done
# Chinese for both programs, Arial's metric twin for Wine (below).
for font in fonts-wqy-microhei fonts-liberation; do
  dpkg -s "$font" >/dev/null 2>&1 || apt-get install -y "$font" >/dev/null
done

# The Linux program and the sample marketplace, from the normal build.
cmake --preset default >/dev/null
cmake --build --preset default --target Korvane korvane_sample_marketplace >/dev/null

rm -rf "$out"
mkdir -p "$out/windows"
(cd "$out/windows" && unzip -q "$zip")
exe="$out/windows/Korvane-$version-windows-x64/Korvane.exe"

ns="korvane-trial-$$"
display=":$((90 + $$ % 9))"
cleanup() {
  # Everything started runs in the namespace: end it all there.
  ip netns pids "$ns" 2>/dev/null | xargs -r kill 2>/dev/null || true
  WINEPREFIX="$out/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  ip netns delete "$ns" 2>/dev/null || true
  rm -rf "/etc/netns/$ns"
}
trap cleanup EXIT
in_ns() { ip netns exec "$ns" "$@"; }

ip netns add "$ns"
mkdir -p "/etc/netns/$ns"
# The publisher's site is a loopback address where nothing listens: the
# version check finds nothing and the panes show their error page, at once.
printf '127.0.0.1 localhost s.taobao.com item.taobao.com\n127.0.0.2 www.ostrevan.com\n' \
  >"/etc/netns/$ns/hosts"
in_ns ip link set lo up

# The marketplace listens on a port of its own; the programs ask port 80.
mkfifo "$out/marketplace.in"
in_ns build/tests/support/korvane_sample_marketplace <"$out/marketplace.in" >"$out/marketplace.addr" &
exec 3>"$out/marketplace.in"
for _ in $(seq 50); do [[ -s "$out/marketplace.addr" ]] && break; sleep 0.1; done
port=$(cut -d: -f2 "$out/marketplace.addr")
in_ns python3 - "$port" <<'FORWARD' &
import asyncio, sys
async def pipe(reader, writer):
    try:
        while data := await reader.read(65536):
            writer.write(data)
            await writer.drain()
    finally:
        writer.close()
async def client(reader, writer):
    up_reader, up_writer = await asyncio.open_connection("127.0.0.1", int(sys.argv[1]))
    await asyncio.gather(pipe(reader, up_writer), pipe(up_reader, writer), return_exceptions=True)
async def main():
    server = await asyncio.start_server(client, "127.0.0.1", 80)
    await server.serve_forever()
asyncio.run(main())
FORWARD

in_ns Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
sleep 2
export DISPLAY=$display

# snap FILE [WINDOW]: the window, or the whole screen, as a PNG.
snap() {
  if [[ -n "${2:-}" ]]; then xwd -id "$2" -silent; else xwd -root -silent; fi | convert xwd:- "$1"
}

# try NAME PROCESS COMMAND...: starts the program (its process's command line
# matching PROCESS), runs a detection of the sample shop, and copies out and
# photographs each result tab.
try() {
  local name=$1 process=$2; shift 2
  in_ns "$@" >"$out/$name.log" 2>&1 &
  local pid=$!
  local window
  window=$(timeout 90 xdotool search --sync --onlyvisible --name 'Ostrevan' | head -1)
  if [[ -z "$window" ]]; then
    snap "$out/$name-no-window.png"
    echo "windows-trial: $name: no window within 90 s (see $out/$name-no-window.png)" >&2
    return 1
  fi
  sleep 3 # the version check, the panes
  xdotool windowmove "$window" 0 0
  sleep 1
  click() { xdotool mousemove "$1" "$2" click 1; sleep 0.5; }
  # The nick goes in by pasting: typed keys reach Wine as the wrong characters.
  printf '韩都衣舍旗舰店' | xclip -selection clipboard
  click 150 20                          # the nick box
  xdotool key ctrl+a ctrl+v
  click 300 20                          # 探测
  sleep "${KORVANE_TRIAL_WAIT:-20}"
  for tab in 0 1 2; do
    snap "$out/$name-tab$tab.png" "$window"
    click 512 360                       # into the table
    printf '' | xclip -selection clipboard
    xdotool key ctrl+a ctrl+c
    sleep 1
    xclip -o -selection clipboard >"$out/$name-tab$tab.txt" 2>/dev/null || true
    xdotool key ctrl+Tab
    sleep 1
  done
  # The program's memory after a detection: the resident set of its process
  # (Wine's included, for the Windows program).
  local proc
  proc=$(pgrep -n -f "$process" || true)
  if [[ -n "$proc" ]]; then
    grep -E 'VmRSS|VmHWM' "/proc/$proc/status" >"$out/$name-memory.txt"
  fi
  kill "$pid" 2>/dev/null || true
  [[ -n "$proc" ]] && kill "$proc" 2>/dev/null || true
  sleep 1
}

try linux 'build/src/Korvane$' "$root/build/src/Korvane"
wine_env=(env WINEPREFIX="$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=")
in_ns "${wine_env[@]}" /usr/lib/wine/wineboot --init >/dev/null 2>&1 || true
# Every Windows has Arial, the window's font; Wine has none, and draws Latin
# text in a line edit with nothing then. Debian's metric twin stands in.
in_ns "${wine_env[@]}" /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' \
  /v Arial /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
try windows 'Korvane\.exe' "${wine_env[@]}" /usr/lib/wine/wine64 "$exe"

status=0
for tab in 0 1 2; do
  if ! [[ -s "$out/linux-tab$tab.txt" ]]; then
    echo "windows-trial: tab $tab: nothing copied from the Linux program" >&2; status=1
  elif ! cmp -s "$out/linux-tab$tab.txt" "$out/windows-tab$tab.txt"; then
    echo "windows-trial: tab $tab differs:" >&2
    diff "$out/linux-tab$tab.txt" "$out/windows-tab$tab.txt" | head -20 >&2; status=1
  else
    echo "tab $tab: the same $(wc -l <"$out/linux-tab$tab.txt") lines in both"
  fi
done
for name in linux windows; do
  echo "$name: $(tr -s ' \t\n' ' ' <"$out/$name-memory.txt" 2>/dev/null)"
done
exit $status
