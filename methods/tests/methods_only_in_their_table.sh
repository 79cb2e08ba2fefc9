#!/bin/bash
# A method is its file and its row of the method table: nothing above the
# methods asks which method it holds. This fails on a switch over methods or a
# comparison with one named method in the C++ and Python sources outside
# methods/src (the rows and the methods' own files) and the tests; the default
# method is named as such (kDefaultMethod).
set -u
root=${1:?usage: methods_only_in_their_table.sh REPOSITORY}
cd "$root" || exit 2
pattern='case[[:space:]]+(flowmodel::)?Method::|[!=]=[[:space:]]*(flowmodel::)?Method::[A-Z]|(flowmodel::)?Method::[A-Za-z]+[[:space:]]*[!=]='
hits=$(git ls-files -- '*.cpp' '*.hpp' '*.h' | grep -v -E '^(methods/src|flowmodel|launcher)/|/tests/' |
       while read -r f; do
           sed -e 's|//.*||' "$f" | grep -n -E "$pattern" | sed -e "s|^|$f:|"
       done)
if [ -n "$hits" ]; then
    echo "a method asked for by name outside the method table (read its row: methods(), method_info()):"
    echo "$hits"
    exit 1
fi
echo "methods: dispatched by their table only"
