#!/usr/bin/env bash
# The shell completion for vk742b-config: what it offers after each kind of word.
# Usage: test_completion.sh COMPLETION_FILE
set -u
source "$1"
failed=0

# Completes the words of `line` (the last one being typed) and compares the offers, sorted.
expect()
{
    local line=$1 want=$2
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _vk742b_config
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
    got=${got% }
    if [[ $got != "$want" ]]; then
        echo "FAIL: '$line' offers '$got', not '$want'"
        failed=1
    fi
}

cd "$(mktemp -d)" || exit 1
touch site.json notes.txt run.csv
mkdir old

expect "vk742b-config " "compare instrument monitor read regmap report scan write"
expect "vk742b-config --port /dev/ttyUSB0 wr" "write"
expect "vk742b-config --p" "--parity --port"
expect "vk742b-config --parity o" ""
expect "vk742b-config --parity O" "Odd"
expect "vk742b-config --baud 19" "19200"
expect "vk742b-config --port p --baud 9600 write " "old site.json"
expect "vk742b-config --port p compare s" "site.json"
expect "vk742b-config --port p read n" "notes.txt"
expect "vk742b-config --port p read site.json " ""
expect "vk742b-config --port p --log n" "notes.txt"
expect "vk742b-config --port p scan --t" "--timeout --to"
expect "vk742b-config --port p scan --to " "15 63"
expect "vk742b-config --port p monitor --c" "--count --csv"
expect "vk742b-config --port p monitor --profile " "old site.json"
expect "vk742b-config --port p monitor --hart " ""
expect "vk742b-config --port p instrument " ""
expect "vk742b-config --port p instrument 5 " "apply loop-test set"
expect "vk742b-config --port p instrument 5 --c" "--compare"
expect "vk742b-config --port p instrument 5 --compare " "old site.json"
expect "vk742b-config --port p instrument 5 --save n" "notes.txt"
expect "vk742b-config --port p instrument 5 --save a.json --t" "--timeout"
expect "vk742b-config --port p instrument 5 set d" "damping= date= descriptor="
expect "vk742b-config --port p instrument 5 set tag=A --r" "--reset-changed-flag"
expect "vk742b-config --port p instrument 5 apply " "old site.json"
expect "vk742b-config --port p instrument 5 apply site.json " ""
expect "vk742b-config --port p instrument 5 apply site.json --k" "--keys"
expect "vk742b-config --port p instrument 5 loop-test 4 20 --h" "--hold"
expect "vk742b-config --port p instrument 5 loop-test 4 20 --a" "--audit"
expect "vk742b-config regmap --f" "--format"
expect "vk742b-config regmap --format " "csv html md"
expect "vk742b-config regmap --profile " "old site.json"
expect "vk742b-config regmap --profile site.json -o n" "notes.txt"
expect "vk742b-config regmap --profile site.json --format md --i" "--instrument"
expect "vk742b-config regmap --instrument " "old site.json"
expect "vk742b-config --port p regmap --a" "--all"
expect "vk742b-config --port p regmap " ""
expect "vk742b-config report --l" "--live --log"
expect "vk742b-config report --profile site.json --live " "old run.csv"
expect "vk742b-config report --live run.csv --instrument " "old site.json"
expect "vk742b-config --port p report -o x.pdf --a" "--audit"
exit $failed
