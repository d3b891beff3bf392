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
# Paths the run cannot use are refused before anything is written: a
# device or a directory as a sound file (1), a working file that is not
# there (2, and none is made).
mkdir adir
for refused in "1 graph.vrn tone.wav /dev/zero" "1 graph.vrn tone.wav adir" "1 graph.vrn /dev/full speaker.wav" \
  "2 typo.vrn tone.wav speaker.wav"; do
  read -r expected args <<<"$refused"
  status=0
  "$runfile" $args 600 2>/dev/null || status=$?
  [ "$status" = "$expected" ] || { echo "exit status $status for: $args"; exit 1; }
done
cmp "$example" graph.vrn
[ ! -e tone.wav ] && [ ! -e speaker.wav ] && [ ! -e typo.vrn ]
report=$("$runfile" graph.vrn tone.wav speaker.wav 600)
echo "$report"
grep -q '^    mic.Default -> spk.Default (connected)$' <<<"$report"
# A registry that cannot be read is named with what is wrong with it.
head -c 8192 /dev/zero | tr '\0' 'x' > garbage.sqlite
status=0
PLATFORM_REGISTRY_FILE="$dir/garbage.sqlite" "$runfile" graph.vrn tone.wav speaker.wav 600 >/dev/null 2>errors || status=$?
[ "$status" = 2 ] && grep -q "the registry file $dir/garbage.sqlite: file is not a database" errors
if grep -q 'VornMicModule' "$servers" && grep -q 'VornVoiceModule' "$servers"; then
  grep -q '^moved: [1-9][0-9]* samples' <<<"$report"
  grep -q 'PCM), 1 channel(s), 11025 samples per second, 16 bits' <<<"$report"
  # Two modules of one name: what cannot be asked by name is said so, not
  # reported as unconnected while the sound flows.
  cp "$example" unnamed.vrn
  sqlite3 unnamed.vrn "UPDATE Modules SET Name = ''"
  report=$("$runfile" unnamed.vrn tone.wav speaker.wav 600)
  grep -q '^    .Default -> .Default (not asked: 2 modules are named "", ' <<<"$report"
  grep -q '^moved: [1-9][0-9]* samples' <<<"$report"
  # An output that cannot be written stops its device: said with the
  # file's name, and the run fails.
  status=0
  "$runfile" graph.vrn tone.wav nodir/speaker.wav 600 >/dev/null 2>errors || status=$?
  [ "$status" = 3 ] && grep -q 'nodir/speaker.wav: No such file or directory' errors
fi
