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
         share/mime/packages/velmora.xml share/icons/hicolor/48x48/apps/velmora.png \
         share/icons/hicolor/scalable/apps/velmora.svg share/man/man1/velmora.1 \
         share/man/man1/velmora-cli.1 share/velmora/sphere100K.fsd share/velmora/cols.fcd; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done

# The desktop files are valid, without so much as a hint (two main categories list the
# program twice in menus), and the entry opens the types the MIME package defines.
entry=$prefix/share/applications/velmora.desktop
mime=$prefix/share/mime/packages/velmora.xml
command -v desktop-file-validate >/dev/null ||
  { echo "desktop-file-validate missing: scripts/setup.sh installs desktop-file-utils"; exit 1; }
said=$(desktop-file-validate "$entry" 2>&1) && [ -z "$said" ] || { echo "$said"; exit 1; }
svg=$prefix/share/icons/hicolor/scalable/apps/velmora.svg
for xml in "$mime" "$svg"; do
  if command -v xmllint >/dev/null; then
    xmllint --noout "$xml" || exit 1
  else
    grep -q '^<?xml version="1.0" encoding="UTF-8"?>$' "$xml" || { echo "not XML: $xml"; exit 1; }
  fi
done
grep -q '<svg xmlns="http://www.w3.org/2000/svg"' "$svg" || { echo "$svg is no SVG"; exit 1; }
for glob in fsd dtx; do
  grep -q "<glob pattern=\"\*.$glob\"/>" "$mime" || { echo "no MIME type for .$glob"; exit 1; }
done
types=$(grep -o '<mime-type type="[^"]*"' "$mime" | cut -d'"' -f2 | sort | tr '\n' ';')
listed=$(sed -n 's/^MimeType=//p' "$entry" | tr ';' '\n' | grep . | sort | tr '\n' ';')
[ -n "$types" ] && [ "$types" = "$listed" ] ||
  { echo "MimeType= lists '$listed', the MIME package defines '$types'"; exit 1; }

mkdir "$work/home"
cd "$work/home"
version=$("$prefix/bin/velmora" --version)
[ "$version" = "Velmora 1.25" ] || { echo "velmora --version: $version"; exit 1; }

# The command line answers without a display; a wrong option or no display is one line and
# a status a launcher's caller can tell apart, not Qt's abort.
"$prefix/bin/velmora" -h | grep -q '^Usage: velmora' || { echo "velmora -h gives no usage"; exit 1; }
status=0; "$prefix/bin/velmora" --no-such-option 2>err.txt || status=$?
[ "$status" = 2 ] && grep -q 'unknown option --no-such-option' err.txt ||
  { echo "unknown option: status $status"; cat err.txt; exit 1; }
for display in "" ":97"; do
  status=0
  env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" "$prefix/bin/velmora" 2>err.txt ||
    status=$?
  [ "$status" = 1 ] && [ "$(wc -l <err.txt)" = 1 ] ||
    { echo "display '$display': status $status"; cat err.txt; exit 1; }
done
# The man pages name the data folder of this prefix.
for page in velmora.1 velmora-cli.1; do
  grep -q "$prefix/share/velmora" "$prefix/share/man/man1/$page" && ! grep -q 'PREFIX/share\|@' \
    "$prefix/share/man/man1/$page" || { echo "$page does not name $prefix/share/velmora"; exit 1; }
done

# The workbench: the sample spheres at start, the picture (P) and the position file (F6).
printf 'key P\nkey F6\nwait-idle\nprint-error\nsave-session %s\nquit\n' "$PWD/kept.json" >script.txt
VELMORA_SCRIPT=$PWD/script.txt "$prefix/bin/velmora" \
  "$prefix/share/velmora/demo.fsd" "$prefix/share/velmora/demo.dtx" >out.txt 2>err.txt || {
  echo "velmora failed"; cat err.txt; exit 1; }
if grep "not found" err.txt; then exit 1; fi
grep -q '^error -' out.txt || { echo "no error printed after the glide"; cat out.txt err.txt; exit 1; }

# The session saved there opens from the command line to the same error; one of another
# version fails the script that opens it, naming the version.
printf 'print-error\nquit\n' >script.txt
VELMORA_SCRIPT=$PWD/script.txt "$prefix/bin/velmora" kept.json >reopened.txt 2>err.txt || {
  echo "velmora kept.json failed"; cat err.txt; exit 1; }
cmp -s <(grep '^error' out.txt) reopened.txt || { echo "reopened: $(cat reopened.txt)"; exit 1; }
sed 's/"version": 1/"version": 9/' kept.json >newer.json
printf 'open-session %s\nquit\n' "$PWD/newer.json" >script.txt
status=0
VELMORA_SCRIPT=$PWD/script.txt "$prefix/bin/velmora" >/dev/null 2>err.txt || status=$?
[ "$status" = 3 ] && grep -q 'session version 9 is not one' err.txt ||
  { echo "newer session: status $status"; cat err.txt; exit 1; }

# The command-line render reads the same files by bare name.
"$prefix/bin/velmora-cli" render --out frame.png --main-sphere 1K --plane \
  "$prefix/share/velmora/demo.fsd" "$prefix/share/velmora/demo.dtx" >render.json 2>err.txt || {
  echo "velmora-cli render failed"; cat err.txt; exit 1; }
if grep "not found" err.txt; then exit 1; fi

# The Python module, where the build has one, imports from the prefix as the README says
# and finds the installed data.
if [ -d "$build/python/velmora" ]; then
  found=$(PYTHONPATH=$prefix/lib/python3/dist-packages /usr/bin/python3 -c \
    "import velmora; print(velmora.data_file('cols.fcd'), velmora.Camera().position[2])") ||
    { echo "velmora does not import from $prefix"; exit 1; }
  [ "$found" = "$prefix/share/velmora/cols.fcd 60.0" ] || { echo "velmora found: $found"; exit 1; }
fi
echo "installed programs found their data from $PWD"
