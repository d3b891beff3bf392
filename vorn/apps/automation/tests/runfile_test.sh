#!/usr/bin/env bash
# The main job's Vorn part as ./scripts/example runs it, in a directory of
# its own: the listed servers registered into a fresh registry, the bundled
# working file copied and run. Without the microphone and speaker servers
# nothing can play; with them the speaker's output must hold sound.
# usage: runfile_test.sh REGSERVER RUNFILE SERVERS_LIST WORKING_FILE DIRECTORY
set -euo pipefail
regserver=$1 runfile=$2 servers=$3 example=$4 dir=$5
rm -rf "$dir"
mkdir -p "$dir/tmp"
export PLATFORM_REGISTRY_FILE="$dir/registry.sqlite" TMPDIR="$dir/tmp"
while read -r server; do "$regserver" "$server" >/dev/null; done < "$servers"
cp "$example" "$dir/graph.vrn"
cd "$dir"
# A wrong command line is refused before anything is written: a count that
# is not a number in full, or two arguments naming one file.
for args in "graph.vrn tone.wav speaker.wav 600ms" "graph.vrn graph.vrn speaker.wav 600" \
  "graph.vrn tone.wav ./graph.vrn 600" "graph.vrn tone.wav tone.wav 600"; do
  status=0
  "$runfile" $args 2>/dev/null || status=$?
  [ "$status" = 1 ] || { echo "exit status $status for: $args"; exit 1; }
done
cmp "$example" graph.vrn
[ ! -e tone.wav ] && [ ! -e speaker.wav ]
report=$("$runfile" graph.vrn tone.wav speaker.wav 600)
echo "$report"
grep -q '^    mic.Default -> spk.Default (connected)$' <<<"$report"
if grep -q 'VornMicModule' "$servers" && grep -q 'VornVoiceModule' "$servers"; then
  grep -q '^moved: [1-9][0-9]* samples' <<<"$report"
  grep -q 'PCM), 1 channel(s), 11025 samples per second, 16 bits' <<<"$report"
fi
