#!/bin/bash
# Every unit conversion constant, pi and the physical constants are defined
# once, in base/include/flowmodel/constants.hpp: this fails on any of the
# usual ones written as a literal in the C++ sources of the layers above the
# model. The model (flowmodel/) keeps its own literals; tests may write a
# source's value to check ours against it; the launcher is its own project.
set -u
root=${1:?usage: constants_defined_once.sh REPOSITORY}
cd "$root" || exit 2
pattern='0\.3048|6894\.75|86400|5\.6145|0\.158987|28\.3168|0\.0283168|101325|(/|\*)[[:space:]]*1e5\b|\b1e5[[:space:]]*(\*|/)|3\.14159|\bM_PI\b|28\.97|9\.80665|8314\.46'
# Code only: a comment may say what a constant is.
hits=$(git ls-files -- '*.cpp' '*.hpp' '*.h' | grep -v -E '^(base|flowmodel|launcher)/|/tests/' |
       while read -r f; do
           sed -e 's|//.*||' "$f" | grep -n -E "$pattern" | sed -e "s|^|$f:|"
       done)
if [ -n "$hits" ]; then
    echo "conversion constants written outside base/include/flowmodel/constants.hpp (use unit:: or constant::):"
    echo "$hits"
    exit 1
fi
echo "constants: defined once"
