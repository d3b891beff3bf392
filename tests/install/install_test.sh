#!/usr/bin/env bash
# The installed system, as a user without the build tree would use it:
#  1. cmake --install into a temporary prefix, which registers the servers
#     into the test's own registry, with keys naming the installed files;
#  2. the main job's Vorn part run by the installed vornapp_runfile, the
#     installed module guide listing the types and opening a help page, and
#     the main job's ClipView container making the installed control;
#  3. the prefix moved elsewhere, and a project of the test's own built
#     against the installed package there and run.
# Everything it writes is below DIRECTORY.
# usage: install_test.sh BUILD SOURCE REGDUMP CLIPVIEW_EXAMPLE DIRECTORY [CONFIGURE ARGUMENT...]
set -euo pipefail
build=$1 source=$2 regdump=$3 clipview=$4 dir=$5
shift 5
rm -rf "$dir"
mkdir -p "$dir/tmp" "$dir/vorn" "$dir/clipview"
export TMPDIR="$dir/tmp" PLATFORM_REGISTRY_FILE="$dir/registry.sqlite"
prefix="$dir/prefix"

# In a sanitizer build the leak checker's tracer faults walking the dynamic
# TLS of the system libraries (the TLS stack under Xerces-C, ALSA) that a
# module server brings in when regserver loads it, whatever our code does;
# the registration is leak-checked by the build tree's own server tests, so
# here it runs without the leak check.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
  cmake --install "$build" --prefix "$prefix" > "$dir/install.log"
grep -q "Registering the servers into $PLATFORM_REGISTRY_FILE" "$dir/install.log"
# Every server file the registry names is an installed one.
servers=$("$regdump" 'HKEY_CLASSES_ROOT\CLSID' | grep -o '"/[^",]*\.so' | tr -d '"' | sort -u)
[ "$(wc -l <<<"$servers")" -ge 6 ]
while read -r server; do
  [[ $server == "$prefix"/* ]] || { echo "registered outside the prefix: $server"; exit 1; }
done <<<"$servers"

cp "$source/examples/microphone-to-speaker.vrn" "$dir/vorn/"
report=$(cd "$dir/vorn" && "$prefix/bin/vornapp_runfile" microphone-to-speaker.vrn tone.wav speaker.wav 600)
grep -q '^    mic.Default -> spk.Default (connected)$' <<<"$report"
grep -q '^moved: [1-9][0-9]* samples' <<<"$report"
types=$("$prefix/bin/VornModuleGuide" --list)
for type in Microphone Speaker VornExternalIO; do grep -qx "$type" <<<"$types"; done
page=$(VORN_HELP_OPENER=cat "$prefix/bin/VornModuleGuide" --show Microphone)
grep -q 'Module Name: Microphone Module' <<<"$page"
"$clipview" "$dir/clipview" | grep -q 'motion count [1-9][0-9]* pixels'

moved="$dir/moved"
mv "$prefix" "$moved"
cmake -S "$source/tests/install/project" -B "$dir/project" "$@" "-DCMAKE_PREFIX_PATH=$moved" > "$dir/project.log"
grep -q "^Travix_DIR:PATH=$moved/" "$dir/project/CMakeCache.txt"
cmake --build "$dir/project" >> "$dir/project.log"
for program in greeting greeting_n; do
  output=$("$dir/project/$program" "$source/tests/install/project/greeting.xml")
  grep -q "to='world'" <<<"$output"
  grep -q '<line>Hello</line>' <<<"$output"
done
