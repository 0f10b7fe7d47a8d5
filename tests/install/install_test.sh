#!/usr/bin/env bash
# Installs the build into a temporary prefix and starts both programs from a directory
# that holds no data, as a desktop launcher would: each finds its spheres, colour table,
# picture and position file in the installed share/velmora. Runs under xvfb-run.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/velmora bin/velmora-cli share/applications/velmora.desktop \
         share/icons/hicolor/48x48/apps/velmora.png share/man/man1/velmora.1 \
         share/man/man1/velmora-cli.1 share/velmora/sphere100K.fsd share/velmora/cols.fcd; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done

mkdir "$work/home"
cd "$work/home"
version=$("$prefix/bin/velmora" --version)
[ "$version" = "Velmora 1.25" ] || { echo "velmora --version: $version"; exit 1; }

# The workbench: the sample spheres at start, the picture (P) and the position file (F6).
printf 'key P\nkey F6\nwait-idle\nprint-error\nquit\n' >script.txt
VELMORA_SCRIPT=$PWD/script.txt "$prefix/bin/velmora" \
  "$prefix/share/velmora/demo.fsd" "$prefix/share/velmora/demo.dtx" >out.txt 2>err.txt || {
  echo "velmora failed"; cat err.txt; exit 1; }
if grep "not found" err.txt; then exit 1; fi
grep -q '^error -' out.txt || { echo "no error printed after the glide"; cat out.txt err.txt; exit 1; }

# The command-line render reads the same files by bare name.
"$prefix/bin/velmora-cli" render --out frame.png --main-sphere 1K --plane \
  "$prefix/share/velmora/demo.fsd" "$prefix/share/velmora/demo.dtx" >render.json 2>err.txt || {
  echo "velmora-cli render failed"; cat err.txt; exit 1; }
if grep "not found" err.txt; then exit 1; fi
echo "installed programs found their data from $PWD"
