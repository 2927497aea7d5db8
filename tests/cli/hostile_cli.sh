#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarvo-cli against a careless or hostile user: lost output, unreadable and endless scripts, odd
# line ends, huge texts, a stuck or dying nec2c, signals, a broken environment. Each check names
# the exit status and the words on standard error that a user must get.
set -uo pipefail
cli=$(realpath "$1")
work=$(mktemp -d)
marker="tarvo-hostile-$$"
# What a stand-in nec2c starts: a sleep whose command line only this run has.
sleeper="sleep 301.$$"
cleanup() {
    pkill -KILL -f "$marker" 2>/dev/null
    pkill -KILL -f "$sleeper" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
passed=0
failed=0

fail() {
    echo "FAIL: $1" >&2
    failed=$((failed + 1))
}

# check NAME STATUS WORDS: the last command's status was STATUS and its standard error, in
# $work/err, holds WORDS (an empty WORDS checks the status alone).
check() {
    local name="$1" want="$2" words="$3" got="$4"
    if [ "$got" != "$want" ]; then
        fail "$name: exit $got, expected $want; said: $(head -c 400 "$work/err")"
    elif [ -n "$words" ] && ! grep -qF -- "$words" "$work/err"; then
        fail "$name: standard error lacks \"$words\"; said: $(head -c 400 "$work/err")"
    else
        passed=$((passed + 1))
    fi
}

printf 'type 144\nclick Option2\nselect List1 1\nclick Command1\ndump\n' >"$work/dump.tarvo"
for _ in $(seq 2000); do echo dump; done >"$work/many.tarvo"

# Lost output: every front and mode, to a full disk and to a closed standard output.
lost="cannot write the output: No space left on device"
for arguments in "--freq 144 --inch 1" "--freq 144 --inch 1 --json" "--help" \
    "--script $work/dump.tarvo" "--freq 144 --inch 1 --analyze" "--freq 144 --inch 1 --analyze --json"; do
    # shellcheck disable=SC2086
    "$cli" $arguments >/dev/full 2>"$work/err"
    check "$arguments > /dev/full" 1 "$lost" $?
done
"$cli" --freq 144 --inch 1 >&- 2>"$work/err"
check "standard output closed" 1 "cannot write the output: Bad file descriptor" $?
# A script that prints nothing loses nothing.
printf 'type 144\nclick Command1\n' | "$cli" --script - >&- 2>"$work/err"
check "nothing to write, standard output closed" 0 "" $?
(
    trap '' PIPE
    "$cli" --script "$work/many.tarvo" 2>"$work/err" | head -n 1 >/dev/null
    exit "${PIPESTATUS[0]}"
)
check "SIGPIPE ignored, reader gone" 1 "cannot write the output: Broken pipe" $?

# Scripts that cannot be read are usage errors, with the reason.
"$cli" --script - <&- >/dev/null 2>"$work/err"
check "standard input closed" 2 "standard input: cannot be read: Bad file descriptor" $?
"$cli" --script - <"$work" >/dev/null 2>"$work/err"
check "standard input a folder" 2 "it is a folder, not a script" $?
timeout 10 "$cli" --script /dev/zero >/dev/null 2>"$work/err"
check "endless NUL bytes" 2 "/dev/zero: line 1: not text" $?
{
    printf 'type 144\nclick Command1\ndump\n'
    head -c 5000 /dev/zero | tr '\0' 7
    printf '\ndump\n'
} >"$work/long.tarvo"
"$cli" --script "$work/long.tarvo" >"$work/out" 2>"$work/err"
check "a line over 4096 bytes" 2 "line 4: longer than 4096 bytes" $?
[ "$(grep -c '^end$' "$work/out")" = 1 ] && grep -qx 'Text9=89.35' "$work/out" ||
    fail "the events before a malformed line did not run"
printf 'dump\ntype \xe0\x80\xaf\n' | "$cli" --script - >"$work/out" 2>"$work/err"
check "an overlong UTF-8 form" 2 "line 2: not text" $?
grep -qx end "$work/out" || fail "the dump before an overlong form did not run"

# Events run as their lines arrive, not at the end of the script.
mkfifo "$work/fifo"
"$cli" --script "$work/fifo" >"$work/out" 2>"$work/err" &
reader=$!
exec 3>"$work/fifo"
printf 'type 144\nclick Command1\ndump\n' >&3
for _ in $(seq 100); do
    grep -qx end "$work/out" && break
    sleep 0.05
done
grep -qx 'Text9=89.35' "$work/out" || fail "a piped event waited for the end of the script"
exec 3>&-
wait "$reader"
check "a script from a pipe" 0 "" $?

# Line ends: LF, CR LF and a lone CR each end a line; a byte order mark is skipped.
for ends in '\n' '\r\n' '\r'; do
    printf "\xef\xbb\xbftype 144${ends}click Command1${ends}dump${ends}" >"$work/ends.tarvo"
    "$cli" --script "$work/ends.tarvo" >"$work/out" 2>"$work/err"
    check "line ends $ends" 0 "" $?
    grep -qx 'Text17=144' "$work/out" && grep -qx 'Text9=89.35' "$work/out" ||
        fail "line ends $ends: $(head -n 2 "$work/out" | tr '\r\n' '  ')"
done

# A user's text is echoed to 40 characters at most.
long=$(head -c 100000 /dev/zero | tr '\0' x)
forty=$(head -c 40 /dev/zero | tr '\0' x)
"$cli" --freq "$long" >/dev/null 2>"$work/err"
check "a 100 kB frequency" 1 "not a number: \"$forty...\"." $?
[ "$(wc -c <"$work/err")" -lt 200 ] || fail "a 100 kB frequency echoed $(wc -c <"$work/err") bytes"
"$cli" --freq 144 --inch "$long" >/dev/null 2>"$work/err"
check "a 100 kB list entry" 2 "" $?
[ "$(wc -c <"$work/err")" -lt 1000 ] || fail "a 100 kB inch entry echoed $(wc -c <"$work/err") bytes"

# nec2c that hangs, dies, floods its terminal: stand-ins first on PATH.
mkdir -p "$work/bin" "$work/tmp"
fake() {
    printf '#!/bin/sh\n# %s\n%s\n' "$marker" "$1" >"$work/bin/nec2c"
    chmod +x "$work/bin/nec2c"
}
leftovers() {
    sleep 0.2 # a killed process may take a moment to go
    if pgrep -f "$sleeper" >/dev/null || pgrep -f "$work/bin/nec2c" >/dev/null; then
        fail "$1: a stand-in nec2c or what it started is still running"
        pkill -KILL -f "$sleeper"
        pkill -KILL -f "$work/bin/nec2c"
    fi
    [ -z "$(ls -A "$work/tmp")" ] || fail "$1: left $(ls "$work/tmp") in the temporary folder"
}
analyze() {
    PATH="$work/bin:/usr/bin:/bin" TMPDIR="$work/tmp" "$cli" --freq 144 --inch 1 --analyze "$@"
}

fake "$sleeper & $sleeper"
analyze --nec-timeout 0.5 >"$work/out" 2>"$work/err"
check "a hanging nec2c" 1 "nec2c did not finish within 0.5 s (--nec-timeout)" $?
leftovers "a hanging nec2c"
grep -qF 'REFLECTOR   89.35' "$work/out" || fail "the design was lost when the analysis failed"
# With job control on, a background job takes SIGINT as a foreground one would.
set -m
for signal in INT TERM HUP; do
    PATH="$work/bin:/usr/bin:/bin" TMPDIR="$work/tmp" "$cli" --freq 144 --analyze \
        >/dev/null 2>"$work/err" &
    pid=$!
    for _ in $(seq 100); do
        [ "$(pgrep -fc "$sleeper")" -ge 2 ] && break
        sleep 0.02
    done
    # The sweep's parts run side by side: two sleepers for each stand-in nec2c.
    [ "$(pgrep -fc "$sleeper")" -ge 2 ] || fail "SIG$signal: the stand-in nec2c did not start"
    number=$(kill -l "$signal")
    kill "-$signal" "$pid"
    wait "$pid"
    check "SIG$signal during an analysis" "$((128 + number))" "interrupted by SIG$signal" $?
    leftovers "SIG$signal during an analysis"
done
# Waits (5 s at most) until the stand-in nec2c hangs in its sleepers.
await_sleepers() {
    for _ in $(seq 250); do
        [ "$(pgrep -fc "$sleeper")" -ge 2 ] && return
        sleep 0.02
    done
}
# The same in the sheet's tolerance search, past the analysis's dozen runs: no sheet, and
# no half-written one, stays behind.
if command -v nec2c >/dev/null; then
    fake "echo >>'$work/calls'; if [ \$(wc -l <'$work/calls') -gt 40 ]; then $sleeper & $sleeper; fi
exec $(command -v nec2c) \"\$@\""
    : >"$work/calls"
    PATH="$work/bin:/usr/bin:/bin" TMPDIR="$work/tmp" "$cli" --freq 144 --inch 1 \
        --sheet "$work/sheet.pdf" >/dev/null 2>"$work/err" &
    pid=$!
    await_sleepers
    kill -TERM "$pid"
    wait "$pid"
    check "SIGTERM during the sheet's tolerances" 143 "interrupted by SIGTERM" $?
    [ "$(wc -l <"$work/calls")" -gt 40 ] || fail "the sheet was stopped before its tolerance search"
    leftovers "SIGTERM during the sheet's tolerances"
    [ -z "$(ls "$work" | grep sheet)" ] || fail "an interrupted sheet left $(ls "$work" | grep sheet)"
    # And in the trim's search: nothing trimmed is written, nec2c and its folders are gone.
    : >"$work/calls"
    PATH="$work/bin:/usr/bin:/bin" TMPDIR="$work/tmp" "$cli" --freq 1296 --nonmetallic --trim \
        --export "$work/trimmed.nec" >/dev/null 2>"$work/err" &
    pid=$!
    await_sleepers
    kill -INT "$pid"
    wait "$pid"
    check "SIGINT during the trim" 130 "interrupted by SIGINT" $?
    [ "$(wc -l <"$work/calls")" -gt 40 ] || fail "the trim was stopped before its search"
    leftovers "SIGINT during the trim"
    [ ! -e "$work/trimmed.nec" ] || fail "an interrupted trim wrote its deck"
fi
set +m
fake 'kill -SEGV $$'
analyze >/dev/null 2>"$work/err"
check "nec2c killed by a signal" 1 "nec2c was ended by signal SIGSEGV" $?
fake 'head -c 200000000 /dev/zero | tr "\0" "e" >&2; echo "last words" >&2; exit 3'
# 200 MB on nec2c's error stream: only its tail is kept, so tarvo-cli's peak memory stays far
# below it (a sanitizer build included).
PATH="$work/bin:/usr/bin:/bin" TMPDIR="$work/tmp" /usr/bin/time -f %M -o "$work/rss" \
    "$cli" --freq 144 --inch 1 --analyze >/dev/null 2>"$work/err"
check "nec2c flooding its error stream" 1 "nec2c failed (exit status 3)" $?
[ "$(tail -n 1 "$work/rss")" -lt 120000 ] ||
    fail "200 MB from nec2c's error stream took $(tail -n 1 "$work/rss") kB of memory"
grep -qF 'last words' "$work/err" || fail "nec2c's last words were not shown"
[ "$(wc -c <"$work/err")" -lt 1000 ] || fail "nec2c's error stream was echoed whole"
leftovers "nec2c failures"

# The environment.
TMPDIR=/nonexistent "$cli" --freq 144 --analyze >/dev/null 2>"$work/err"
check "TMPDIR missing" 1 "cannot use the temporary folder /nonexistent (TMPDIR)" $?
printf '#!/bin/sh\n/usr/bin/touch "%s/ran"\nexit 1\n' "$work" >"$work/nec2c"
chmod +x "$work/nec2c"
(cd "$work" && PATH=":/nonexistent" "$cli" --freq 144 --analyze >/dev/null 2>"$work/err")
check "an empty PATH element" 1 "nec2c is not installed" $?
[ ! -e "$work/ran" ] || fail "an empty PATH element ran nec2c from the current folder"
(cd "$work" && "$cli" --freq 144 --nec x --plot ./x >/dev/null 2>"$work/err")
check "--nec and --plot on one file" 2 "both would write" $?

# One decimal separator for quick and script mode, from the C library's locale: a comma under
# de_DE.UTF-8; under a locale this machine has not generated, the point of the "C" locale.
if locale -a | grep -qix 'fr_FR\.utf-\?8'; then
    fail "fr_FR.UTF-8 is installed here: the check of a missing locale needs one that is not"
fi
for case in "de_DE.UTF-8 144,5 144.5 89,0408 0,0" "fr_FR.UTF-8 144.5 144,5 89.0408 0.0"; do
    read -r locale good bad reflector start <<<"$case"
    LC_ALL=$locale "$cli" --freq "$good" >"$work/out" 2>"$work/err"
    check "$locale quick $good" 0 "" $?
    grep -q "^REFLECTOR   $reflector " "$work/out" || fail "$locale quick $good: $(grep REFLECTOR "$work/out")"
    LC_ALL=$locale "$cli" --freq "$bad" >/dev/null 2>"$work/err"
    check "$locale quick $bad" 1 "The frequency is not a number: \"$bad\"" $?
    printf 'dump
type %s
click Command1
dump
type %s
click Command1
' "$good" "$bad" |
        LC_ALL=$locale "$cli" --script - >"$work/out" 2>"$work/err"
    check "$locale script" 1 "" $?
    grep -qx "Text17=$start" "$work/out" || fail "$locale script: the start text is not $start"
    grep -qx "Text9=$reflector" "$work/out" || fail "$locale script: $good did not give $reflector"
    grep -qx "error: conversion: The frequency is not a number: \"$bad\"." "$work/out" ||
        fail "$locale script: $bad was not refused"
done

echo "hostile tarvo-cli: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
