#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Two builds of the script runner must print the same bytes and exit the same for every script:
# tarvo-cli telling arithmetic faults by the IEEE flags and tarvo-cli telling them by checked
# operations, or tarvo-cli and the WebAssembly build under node. The scripts: those of the tests
# and of the fuzz corpus, and frequencies at the edges of the single range through every boom
# choice, in a point and a comma locale (TARVO_COMPARE_LOCALES chooses others).
#   same_output.sh "FIRST COMMAND" "SECOND COMMAND" SCRIPT_FOLDER...
# Each command is run with `--script FILE` added.
set -uo pipefail
read -r -a flags <<<"$1"
read -r -a checked <<<"$2"
read -r -a locales <<<"${TARVO_COMPARE_LOCALES:-C de_DE.UTF-8}"
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Frequencies that reach every fault: zero, the overflow of a store, a result too long for its
# box, subnormal singles, the largest single, and the ordinary ones.
frequencies=(0 -0 144 0.001 1e-36 1e-38 1.4e-45 1e-45 3.4e38 3.4028235e38 1e39 7e-39 0.0000001
    1e-30 0.5 1296 999999 1e10 5e-8 12345.625)
booms=("click Option1" "click Option2
select List1 1" "click Option2
select List2 51" "click Option2
select List1 3" "click Option2")
n=0
for boom in "${booms[@]}"; do
    for freq in "${frequencies[@]}"; do
        n=$((n + 1))
        printf '%s\ntype %s\nclick Command1\ndump\nclick Command4\ndump\nclick Command1\n' \
            "$boom" "$freq" >"$work/edge$n.tarvo"
    done
    # Each frequency after the one before: faulty values left in the state meet the next step.
    {
        echo "$boom"
        for freq in "${frequencies[@]}"; do
            printf 'type %s\nclick Command1\nclick Command4\ndump\n' "$freq"
        done
    } >"$work/chain$n.tarvo"
done

scripts=("$work"/*.tarvo)
for dir in "$@"; do
    for file in "$dir"/*; do
        [ -f "$file" ] && scripts+=("$file")
    done
done

compared=0
different=0
for script in "${scripts[@]}"; do
    for locale in "${locales[@]}"; do
        LC_ALL=$locale "${flags[@]}" --script "$script" >"$work/flags.out" 2>"$work/flags.err"
        flagsStatus=$?
        LC_ALL=$locale "${checked[@]}" --script "$script" >"$work/checked.out" 2>"$work/checked.err"
        checkedStatus=$?
        compared=$((compared + 1))
        if [ "$flagsStatus" != "$checkedStatus" ] || ! cmp -s "$work/flags.out" "$work/checked.out" ||
            ! cmp -s "$work/flags.err" "$work/checked.err"; then
            different=$((different + 1))
            echo "DIFFERENT under $locale: $script (exit $flagsStatus against $checkedStatus)" >&2
            diff "$work/flags.out" "$work/checked.out" | head -n 10 >&2
        fi
    done
done
echo "$compared runs compared, $different different"
[ "$compared" -gt 100 ] && [ "$different" -eq 0 ]
