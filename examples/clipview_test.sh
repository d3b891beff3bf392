#!/usr/bin/env bash
# The main job's ClipView part as ./scripts/example runs it, in a directory
# of its own: the container cannot make the control before its server is
# registered; once it is, every picture is written as a bitmap and a PNG and
# the ball's move is counted.
# usage: clipview_test.sh REGSERVER EXAMPLE SERVERS_LIST DIRECTORY
set -euo pipefail
regserver=$1 example=$2 servers=$3 dir=$4
rm -rf "$dir"
mkdir -p "$dir/pictures"
export PLATFORM_REGISTRY_FILE="$dir/registry.sqlite"
status=0
"$example" "$dir/pictures" 2>/dev/null || status=$?
[ "$status" = 2 ] || { echo "exit status $status before registration"; exit 1; }
while read -r server; do "$regserver" "$server" >/dev/null; done < "$servers"
report=$("$example" "$dir/pictures")
echo "$report"
grep -q 'motion count [1-9][0-9]* pixels' <<<"$report"
for name in scene-1 scene-2 edges threshold difference motion scaled annotated; do
  grep -q "^  $name.bmp, .png " <<<"$report"
  [ "$(head -c 2 "$dir/pictures/$name.bmp")" = BM ]
  [ "$(head -c 4 "$dir/pictures/$name.png" | tail -c 3)" = PNG ]
done
