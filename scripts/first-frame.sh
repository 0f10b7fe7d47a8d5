#!/usr/bin/env bash
# How long the workbench takes from exec to its first finished frame, on the demo data,
# under a virtual display: each of N starts (default 5) and their median. Run after a
# build; a busy machine shows in the figures.
set -euo pipefail
if [ -z "${VELMORA_FIRST_FRAME_DISPLAY:-}" ]; then
  VELMORA_FIRST_FRAME_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
cd "$(dirname "$0")/../build/velmora-data"
script=$(mktemp)
trap 'rm -f "$script"' EXIT
printf 'quit\n' >"$script"
times=()
for _ in $(seq "${1:-5}"); do
  start=$(date +%s%N)
  end=$(VELMORA_FIRST_FRAME=1 VELMORA_SCRIPT=$script ../app/velmora demo.fsd demo.dtx 2>&1 >/dev/null |
        awk '/^first-frame /{print $2}')
  times+=($(((end - start) / 1000000)))
done
echo "first frame after exec, ms: ${times[*]}"
echo "median: $(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}') ms"
