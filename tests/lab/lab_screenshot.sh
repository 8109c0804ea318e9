#!/bin/bash
# Pictures of the program after one scan of the lab: the host list and the log, for a look by eye
# (nothing is compared; not part of the tests).
# Usage (as root): tests/lab/lab_screenshot.sh OUTPUT_FOLDER [BUILD_FOLDER]
# The lab (two Samba hosts and one host that only answers ICMP in network namespaces of their own)
# is made by lab_run, which runs the program in the scanner namespace under Xvfb. A fresh home
# folder holds a settings file made for the lab, so the user's settings are neither read nor
# changed: range 198.18.0.10-15, fast search, ping, share listing, the log on.
set -euo pipefail

out=${1:?usage: $0 OUTPUT_FOLDER [BUILD_FOLDER]}
build=${2:-build}
lab_run="$build/tests/lab_run"
helper="$build/tests/corvimap_lab_screenshot"
for program in "$lab_run" "$helper"; do
    [ -x "$program" ] || { echo "missing $program: cmake --build $build --target lab_run corvimap_lab_screenshot" >&2; exit 1; }
done
command -v xvfb-run > /dev/null || { echo "xvfb-run missing: apt-get install xvfb xauth" >&2; exit 1; }
[ "$(id -u)" = 0 ] || { echo "the lab needs root" >&2; exit 1; }

mkdir -p "$out"
out=$(cd "$out" && pwd)
helper=$(cd "$(dirname "$helper")" && pwd)/$(basename "$helper")
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT

# FlagsGroup0: fast search 0x1, ping 0x2, shares 0x20, log 0x80, program start 0x400, scan start
# and stop 0x2000 and 0x4000, found new host 0x8000, dead host 0x10000.
mkdir -p "$home/.config/Tarvok"
cat > "$home/.config/Tarvok/Corvimap.conf" << 'CONF'
[GlobalFlags]
FlagsGroup0=124067

[Main]
WindowW=760
WindowH=500

[Network]
PingTimeout=300
ThreadsOfScan=7
Nets2\NetsNumbers=1
Nets2\Net_00=198.18.0.10-15
CONF

"$lab_run" --timeout 300 -- env -u XDG_CONFIG_HOME HOME="$home" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1024x768x24" "$helper" "$out"
