#!/usr/bin/env bash
# The atlas page in headless Chromium and Firefox: builds the atlas of the
# demo disks (default colours and -B -B) with the qz-atlas of BUILD, renders
# the same maps with zud2avuze for comparison, and runs page-test.js over
# them in each browser.
#
#   bash tests/atlas/browser/run.sh BUILD [BROWSER...]
#
# BROWSER: chromium, firefox (both by default).  Needs chromium,
# firefox-esr and node with npm (scripts/test.sh installs them); the
# test's own packages come from the npm registry, as pinned in
# package-lock.json.  Screenshots of the page in each browser are left in
# BUILD/atlas-page-test/shots-BROWSER.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run.sh BUILD [BROWSER...]}" && pwd)
shift
if [ $# -gt 0 ]; then browsers=("$@"); else browsers=(chromium firefox); fi
work="$build/atlas-page-test"

# The test's packages, installed again only when the lockfile changed.
if ! cmp -s "$here/package-lock.json" "$here/node_modules/.qz-installed-lock" 2>/dev/null; then
  (cd "$here" && npm ci --no-audit --no-fund --loglevel=error)
  cp "$here/package-lock.json" "$here/node_modules/.qz-installed-lock"
fi

rm -rf "$work"
mkdir -p "$work"
atlas_tool="$build/src/atlas/qz-atlas"
[ -x "$atlas_tool" ] || { echo "qz-atlas is not built in $build" >&2; exit 1; }

disks="$work/disks"
"$build/tools/make_demo_disks" "$disks" >/dev/null
disk_args=(-d1 "$disks/qz-program.dsk" -d2 "$disks/qz-castle.dsk" -d3 "$disks/qz-dwelling.dsk"
  -d4 "$disks/qz-keep.dsk" -d5 "$disks/qz-towne.dsk")

"$atlas_tool" "${disk_args[@]}" -o "$work/atlas" 2>/dev/null
"$atlas_tool" "${disk_args[@]}" -B -B -o "$work/atlas-bb" 2>/dev/null

# zud2avuze's BMP files for the times the test compares.
render() {   # DIR ARGS...
  local dir=$1
  shift
  mkdir -p "$dir"
  (cd "$dir" && "$build/src/driver/zud2avuze" "${disk_args[@]}" "$@" >/dev/null)
}
render "$work/bmp-13" -h 13
render "$work/bmp-21" -h 21
render "$work/bmp-default" --default
render "$work/bmp-bb-13" -B -B -h 13

for browser in "${browsers[@]}"; do
  echo "== the atlas page in $browser"
  start=$(date +%s)
  node "$here/page-test.js" --browser "$browser" --atlas "$work/atlas" \
    --check "$work/atlas,$work/bmp-13,13" \
    --check "$work/atlas,$work/bmp-21,21" \
    --check "$work/atlas,$work/bmp-default,default" \
    --check "$work/atlas-bb,$work/bmp-bb-13,13" \
    --shots "$work/shots-$browser"
  echo "the atlas page in $browser: $(( $(date +%s) - start )) s; screenshots in $work/shots-$browser"
done
