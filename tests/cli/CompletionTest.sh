#!/usr/bin/env bash
# CompletionTest.sh COMPLETION_SCRIPT
# Completes quillet-cli command lines as bash would, in a folder of a few files, and compares
# the candidates (sorted, space-separated) with what each line must offer.
set -u
source "$1"
export LC_ALL=C
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" && touch a.ini B.INI 'with space.ini' notes.txt lists.db && mkdir sub

failures=0
# expect NAME WANTED WORD...: the words of the line, the last one being completed.
expect() {
    local name=$1 wanted=$2
    shift 2
    COMP_WORDS=(quillet-cli "$@")
    COMP_CWORD=$#
    _quillet_cli
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' ')
    if [[ $got != "$wanted" ]]; then
        echo "FAIL $name: quillet-cli $*: got '$got', wanted '$wanted'"
        failures=$((failures + 1))
    fi
}

expect 'command' 'dump' d
expect 'commands sharing a letter' 'check compare' c
expect 'options of check' '--db --help --json --list' check --
expect 'merge takes three INI files, -o any file' 'B.INI a.ini sub with space.ini' merge -o notes.txt a.ini a.ini ''
expect 'check --list: any number of INI files' 'B.INI a.ini sub with space.ini' check --list l.json a.ini ''
expect 'valuelist commands' 'export' valuelist e
expect 'INI files and folders' 'B.INI a.ini sub with space.ini' dump ''
expect 'second file of compare' 'B.INI a.ini sub with space.ini' compare --json a.ini ''
expect 'no third file for compare' '' compare a.ini B.INI ''
expect 'report formats' 'csv html' compare --report ''
expect 'option values are no arguments' 'B.INI a.ini sub with space.ini' compare --ignore 'W/*' --report csv -o r.csv a.ini ''
expect 'any file after --db' 'lists.db' check --db l
expect 'file after --db path' 'a.ini' check --db lists.db a
expect 'set: section is no file' '' set a.ini ''
expect 'set: a value like -1 is no option' '' set a.ini S K -
expect 'unknown command' '' bogus ''

complete -p quillet-cli >/dev/null || { echo "FAIL: quillet-cli has no completion"; failures=$((failures + 1)); }
exit $((failures > 0))
