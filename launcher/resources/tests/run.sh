#!/usr/bin/env bash
# Checks of the resources in the built launcher executables.
#
#   launcher/resources/tests/run.sh [X86_64_EXE I686_EXE]
#
# Without arguments the executables are looked for under
# build/launcher/x86_64 and build/launcher/i686.  When the 64-bit build also
# holds the stand-in engine (zentaeng.dll), the 64-bit executable is run under
# Wine and the engine's resource probe is checked as well.
# Last line: "resources: N passed, M failed"; exit status 1 on any failure.
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../../.." && pwd)"

find_exe() {
  [ -d "$1" ] && find "$1" -name zenta.exe -type f -print -quit
}

if [ $# -ge 1 ]; then
  exes=("$@")
  exe64="$1"
  dir64="$(dirname "$1")"
else
  dir64="$root/build/launcher/x86_64"
  exe64="$(find_exe "$dir64")"
  exe32="$(find_exe "$root/build/launcher/i686")"
  if [ -z "$exe64" ] || [ -z "$exe32" ]; then
    echo "FAIL: zenta.exe missing under build/launcher/x86_64 or build/launcher/i686 (build the launcher first)"
    echo "resources: 0 passed, 1 failed"
    exit 1
  fi
  exes=("$exe64" "$exe32")
fi

for tool in wrestool icotool python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "FAIL: $tool not installed (icoutils, python3)"
    echo "resources: 0 passed, 1 failed"
    exit 1
  fi
done

wine_args=()
engine="$(find "$dir64" -iname zentaeng.dll -type f -print -quit 2>/dev/null)"
if [ -n "$engine" ] && [ -x /usr/lib/wine/wine64 ]; then
  # Every stand-in library of the build goes beside the executable.
  dlls="$(find "$(dirname "$engine")" -maxdepth 1 -iname '*.dll' -type f | paste -sd, -)"
  wine_args=("--wine=$exe64" "--standin=$dlls")
else
  echo "note: no stand-in engine under $dir64 or no wine64: Wine probe not run"
fi

exec python3 "$here/check_resources.py" "${wine_args[@]}" "${exes[@]}"
