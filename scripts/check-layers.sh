#!/usr/bin/env bash
# Checks that every source file includes only what its folder's layer may use (the table
# in the README): the core folders never see Qt, OpenGL or a UI header, and nothing
# includes a folder above its own. Prints each offending include; fails if there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

# Project folders each folder may include, besides its own.
declare -A allowed=(
  [base]=""
  [camera]="base data"
  [data]="base"
  [data/import]="base camera data render"
  [render]="base camera data"
  [resources]=""
  [render/gl]="base camera data render"
  [render/image]="base camera data render"
  [platform]="base camera data render render/gl render/image resources"
  [camera/ui]="base camera data render render/gl render/image resources platform"
  [data/ui]="base camera data data/import render render/gl render/image resources platform camera/ui"
  [app]="base camera data data/import render render/gl render/image resources platform camera/ui data/ui"
  [cli]="base camera data data/import render"
  [tools]="base camera data render"
  [python]="base camera data render render/gl data/import"
)
# Folders that may include Qt, OpenGL, EGL or OpenCV headers.
declare -A system=(
  [data/import]="CV"
  [render/gl]="GL EGL"
  [render/image]="Q"
  [platform]="Q"
  [camera/ui]="Q GL"
  [data/ui]="Q"
  [app]="Q GL"
  [python]="EGL"
)
# The render subcommand is the one part of velmora-cli that draws.
cli_render_extra="render/gl render/image resources"

bad=0
for folder in "${!allowed[@]}"; do
  for file in "$folder"/*.h "$folder"/*.cpp; do
    [ -e "$file" ] || continue
    may="$folder ${allowed[$folder]}"
    sys="${system[$folder]:-}"
    case "$file" in cli/CliRender.*) may="$may $cli_render_extra" sys="Q" ;; esac
    while IFS= read -r line; do
      header=$(sed -E 's/^#include [<"]([^>"]+)[>"].*/\1/' <<<"$line")
      if [[ $line == *'"'* ]]; then
        dir=$(dirname "$header")
        [[ " $may " == *" $dir "* ]] && continue
        echo "$file: $line ($folder/ may include: ${may})"
        bad=1
      else
        kind=""
        case "$header" in Q*|qt*) kind=Q ;; GL/*) kind=GL ;; EGL/*) kind=EGL ;; opencv2/*) kind=CV ;; esac
        [ -z "$kind" ] && continue
        [[ " $sys " == *" $kind "* ]] && continue
        echo "$file: $line (no $kind headers in $folder/)"
        bad=1
      fi
    done < <(grep -E '^#include' "$file")
  done
done
if ((bad)); then
  echo; echo "layering check failed" >&2
  exit 1
fi
echo "layering check: every include follows the table"
