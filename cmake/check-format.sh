#!/bin/sh
# check-format.sh CLANG_FORMAT: fails, naming each place, where a C++ source
# of the tree differs from what .clang-format makes of it.
set -e
clang_format=$1
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    files=$(git ls-files '*.cpp' '*.h')
else
    files=$(find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
fi
# shellcheck disable=SC2086 # one word per file name; the tree has no blanks in names
"$clang_format" --dry-run --Werror $files
echo "$(echo "$files" | wc -l) files formatted as .clang-format says"
