#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Two builds of the script runner must print the same bytes and exit the same for every script:
# tarvo-cli telling arithmetic faults by the IEEE flags and tarvo-cli telling them by checked
# operations, or tarvo-cli and the WebAssembly build under node. The scripts: those of the tests
# and of the fuzz corpus, and frequencies at the edges of the single range through every boom
# choice, in a point and a comma locale (TARVO_COMPARE_LOCALES chooses others).
#   same_output.sh "FIRST COMMAND" "SECOND COMMAND" SCRIPT_FOLDER...
# Each command is run with `--script FILE` added, and with quick-design options from a folder of
# its own (so its words name files by absolute paths). Then hostile uses: each command must do
# exactly what the native tarvo-cli does.
set -uo pipefail
firstCommand="$1"
secondCommand="$2"
read -r -a flags <<<"$1"
read -r -a checked <<<"$2"
read -r -a locales <<<"${TARVO_COMPARE_LOCALES:-C de_DE.UTF-8}"
shift 2
# LC_ALL below must win over LANG, as it does with the C library: LANG names another locale.
export LANG=C
unset LC_NUMERIC
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

# Quick designs, table-driven: the table, --json and each export that needs no nec2c (.maa,
# .nec, the symbolic .nec, .csv, and the deck of --nec), written by both into folders of their
# own under the same names and compared byte for byte with what each prints and its status.
quick=0
for locale in "${locales[@]}"; do
    for freq in 144 432.1 432,1 1296 0; do
        for boom in "--inch 1" "--nonmetallic" "--mm 51 --metric"; do
            for directors in 6 10; do
                for json in "" "--json"; do
                    for side in first second; do
                        rm -rf "$work/$side" && mkdir "$work/$side"
                        if [ "$side" = first ]; then command=("${flags[@]}"); else command=("${checked[@]}"); fi
                        # shellcheck disable=SC2086 # the boom and the JSON switch are options
                        (cd "$work/$side" && LC_ALL=$locale "${command[@]}" --freq "$freq" $boom \
                            --directors "$directors" $json --export d.maa --export d.nec \
                            --export d.csv --export-symbolic s.nec --nec deck.nec \
                            >out 2>err
                        echo $? >status
                        # The files' permissions too: what the umask leaves of 0666.
                        stat -c '%a %n' d.maa d.nec d.csv s.nec deck.nec >modes 2>&1)
                    done
                    quick=$((quick + 1))
                    if ! diff -r "$work/first" "$work/second" >"$work/quick.diff"; then
                        different=$((different + 1))
                        echo "DIFFERENT under $locale: --freq $freq $boom --directors $directors" \
                            "$json" >&2
                        head -n 10 "$work/quick.diff" >&2
                    fi
                done
            done
        done
    done
done
# A locale this machine may not have generated (the C library then takes it for none, and
# writes a point) and one with a modifier.
for locale in fr_FR.UTF-8 de_DE.UTF-8@euro; do
    for json in "" "--json"; do
        for side in first second; do
            if [ "$side" = first ]; then command=("${flags[@]}"); else command=("${checked[@]}"); fi
            # shellcheck disable=SC2086 # the JSON switch is an option
            LC_ALL=$locale "${command[@]}" --freq 432,1 --inch 1 $json >"$work/$side.out" 2>&1
            echo $? >>"$work/$side.out"
        done
        quick=$((quick + 1))
        if ! cmp -s "$work/first.out" "$work/second.out"; then
            different=$((different + 1))
            echo "DIFFERENT under $locale: --freq 432,1 --inch 1 $json" >&2
            diff "$work/first.out" "$work/second.out" | head -n 10 >&2
        fi
    done
done
# The files must have been written where the design allows it, or the comparison proves little.
(cd "$work" && "${flags[@]}" --freq 144 --inch 1 --export d.maa --export d.nec --export d.csv \
    --export-symbolic s.nec --nec deck.nec >/dev/null) &&
    [ -s "$work/d.maa" ] && [ -s "$work/d.nec" ] && [ -s "$work/d.csv" ] && [ -s "$work/s.nec" ] &&
    [ -s "$work/deck.nec" ] || { echo "the quick design wrote no exports" >&2; different=$((different + 1)); }
echo "$quick quick designs compared"

# Hostile use, each command against what the native tarvo-cli prints, literally: its status, its
# standard error in full and a digest of its standard output.
printf 'type 0\nclick Option1\nclick Command1\n' >"$work/zero.tarvo"
printf 'type 144\nclick Command1\n' >"$work/quiet.tarvo"
printf 'type 144\nclick Option2\nselect List1 1\nclick Command1\ndump\n' >"$work/dump.tarvo"
for _ in $(seq 2000); do cat "$work/dump.tarvo"; done >"$work/many.tarvo"
empty=e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855
lost="tarvo-cli: cannot write the output:"
# NAME|STATUS|STANDARD ERROR|SHA-256 OF STANDARD OUTPUT|SHELL TEXT, run by bash with $cli the
# command and the scripts above in $work. (In the C locale.)
hostile=(
    "script from standard input|0||23562aacded42e4ec78aad934e8b4055c35aa375d66834680f6c97767e95ad0d|\$cli --script - <$work/dump.tarvo"
    "a fault from standard input|1||$(printf 'error: division-by-zero: Division by zero.\n' | sha256sum | cut -d' ' -f1)|\$cli --script - <$work/zero.tarvo"
    "standard input closed|2|tarvo-cli: standard input: cannot be read: Bad file descriptor|$empty|\$cli --script - <&-"
    "standard output closed|1|$lost Bad file descriptor|$empty|\$cli --freq 144 --inch 1 >&-"
    "standard output closed, a script|1|$lost Bad file descriptor|$empty|\$cli --script $work/dump.tarvo >&-"
    "standard output closed, nothing to write|0||$empty|\$cli --script $work/quiet.tarvo >&-"
    "/dev/full|1|$lost No space left on device|$empty|\$cli --freq 144 --inch 1 >/dev/full"
    "/dev/full, JSON|1|$lost No space left on device|$empty|\$cli --freq 144 --inch 1 --json >/dev/full"
    "/dev/full, a script|1|$lost No space left on device|$empty|\$cli --script $work/dump.tarvo >/dev/full"
    "/dev/full, help|1|$lost No space left on device|$empty|\$cli --help >/dev/full"
    "reader gone after a line, SIGPIPE at its default|1|$lost Broken pipe|$empty|env --default-signal=PIPE \$cli --script $work/many.tarvo | head -n 1 >/dev/null; exit \${PIPESTATUS[0]}"
    "reader gone before the run|1|$lost Broken pipe|$empty|{ sleep 0.3; exec env --default-signal=PIPE \$cli --script $work/many.tarvo; } | head -n 0; exit \${PIPESTATUS[0]}"
    "an export into no folder|1|tarvo-cli: cannot write the MMANA-GAL model $work/none/x.maa: No such file or directory|$empty|\$cli --freq 144 --inch 1 --export $work/none/x.maa >/dev/null"
)
for command in "$firstCommand" "$secondCommand"; do
    for case in "${hostile[@]}"; do
        IFS='|' read -r name status words digest shell <<<"$case"
        LC_ALL=C cli="$command" bash -c "$shell" >"$work/hostile.out" 2>"$work/hostile.err"
        got=$?
        # The pipes' cases print to head, not here: their digest is of nothing.
        compared=$((compared + 1))
        if [ "$got" != "$status" ] || [ "$(cat "$work/hostile.err")" != "$words" ] ||
            [ "$(sha256sum <"$work/hostile.out" | cut -d' ' -f1)" != "$digest" ]; then
            different=$((different + 1))
            echo "DIFFERENT from tarvo-cli: $name: $command: exit $got (expected $status)," \
                "said: $(head -c 300 "$work/hostile.err")" >&2
        fi
    done
done

echo "$compared runs compared, $different different"
[ "$compared" -gt 100 ] && [ "$quick" -gt 100 ] && [ "$different" -eq 0 ]
