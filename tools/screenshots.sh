#!/bin/bash
# Pictures of every pane of the program's window, for a look by eye (nothing is compared).
# Usage: tools/screenshots.sh OUTPUT_FOLDER [BUILD_FOLDER]
# Runs under Xvfb with a fresh home folder, so the user's settings are neither read nor changed.
set -euo pipefail

out=${1:?usage: $0 OUTPUT_FOLDER [BUILD_FOLDER]}
build=${2:-build}
helper="$build/corvimap_screenshots"
[ -x "$helper" ] || { echo "missing $helper: cmake --build $build --target corvimap_screenshots" >&2; exit 1; }
command -v xvfb-run > /dev/null || { echo "xvfb-run missing: apt-get install xvfb xauth" >&2; exit 1; }

mkdir -p "$out"
out=$(cd "$out" && pwd)
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT

# The log switched on, so the log pane shows the program's start. No scan is started.
mkdir -p "$home/.config/Tarvok"
printf '[GlobalFlags]\nFlagsGroup0=3217\n' > "$home/.config/Tarvok/Corvimap.conf"

env -u XDG_CONFIG_HOME HOME="$home" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1024x768x24" "$helper" "$out"
ls -1 "$out"/*.png
