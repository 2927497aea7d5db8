#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarvo-cli against a careless or hostile user: lost output, unreadable and endless scripts, odd
# line ends, huge texts, a stuck or dying nec2c, signals, a broken environment. Each check names
# the exit status and the words on standard error that a user must get.
set -uo pipefail
cli=$(realpath "$1")
# 1 where the sheet's painter is built beside tarvo-cli (it needs Qt): the checks that draw a
# sheet run there. A build without the window (the sanitizer run) has none to load.
sheets="${2:-1}"
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
# As a shell starts it, with SIGPIPE at its default, and a reader that has gone before the run
# writes: said, exit 1, and the files it was making removed, none left beside their targets.
mkdir "$work/pipe"
for arguments in "--script $work/many.tarvo" \
    "--freq 144 --inch 1 --analyze --export $work/pipe/e.maa --plot $work/pipe/p.svg"; do
    (
        # shellcheck disable=SC2086
        { sleep 0.3; exec env --default-signal=PIPE "$cli" $arguments 2>"$work/err"; } | head -n 0
        exit "${PIPESTATUS[0]}"
    )
    check "SIGPIPE at its default, reader gone: $arguments" 1 "cannot write the output: Broken pipe" $?
    left=$(ls -A "$work/pipe")
    [ -z "$left" ] || fail "SIGPIPE at its default: left behind: $left"
done

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

# The end of a streamed script: its last line runs without a line end, and a fault early in the
# stream still gives exit 1 though the events after it succeed.
printf 'type 14x\nclick Command1\ntype 144\nclick Command1\ndump' |
    "$cli" --script - >"$work/out" 2>"$work/err"
check "a stream with an early fault" 1 "" $?
grep -q '^error: conversion: ' "$work/out" || fail "the stream's early fault was not reported"
grep -qx 'Text9=89.35' "$work/out" && grep -qx end "$work/out" ||
    fail "the stream's last line, without its line end, did not run"

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

# Control characters typed into a number, a list entry or a path are shown, never sent raw to
# the terminal: an ESC would start an escape sequence there.
esc=$'\e'
for case in "freq|1|--freq 14${esc}[31m4 --inch 1|\"14\\x1B[31m4\"" \
    "inch entry|2|--freq 144 --inch ${esc}[2Jx|\\x1B[2Jx" \
    "measured path|2|--freq 144 --measured /nowhere/${esc}]0;title${esc}\\|/nowhere/\\x1B]0;title\\x1B" \
    "directors|2|--freq 144 --inch 1 --directors 7${esc}|\"7\\x1B\" is not a whole number"; do
    IFS='|' read -r name want arguments words <<<"$case"
    # shellcheck disable=SC2086
    "$cli" $arguments >/dev/null 2>"$work/err"
    check "control characters in the $name" "$want" "$words" $?
    if grep -q "$esc" "$work/err"; then fail "control characters in the $name: an ESC echoed raw"; fi
done

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
# A sheet into a FIFO whose reader quits early, SIGPIPE at its default: said, exit 1, and the
# CSV of the same run is neither written nor left half-made beside its target.
if [ "$sheets" = 1 ] && command -v nec2c >/dev/null; then
    mkdir "$work/quitting"
    mkfifo "$work/quitting/sheet.svg"
    # The reader holds the FIFO before tarvo-cli opens it, at the smallest pipe a system allows
    # (one page: the sheet, tens of kB, overfills it), takes 100 bytes and quits.
    python3 - "$work/quitting/sheet.svg" <<'READER' &
import fcntl, os, sys, time
fd = os.open(sys.argv[1], os.O_RDONLY | os.O_NONBLOCK)
fcntl.fcntl(fd, 1031, 4096)  # F_SETPIPE_SZ
got = 0
deadline = time.time() + 60
while got < 100 and time.time() < deadline:
    try:
        chunk = os.read(fd, 100 - got)
    except BlockingIOError:
        chunk = b""
    if not chunk:
        time.sleep(0.01)  # no writer yet, or nothing written yet
    got += len(chunk)
os.close(fd)
READER
    env --default-signal=PIPE "$cli" --freq 144 --inch 1 --sheet "$work/quitting/sheet.svg" \
        --export "$work/quitting/table.csv" >/dev/null 2>"$work/err"
    check "a FIFO sheet whose reader quit" 1 "sheet.svg: Broken pipe" $?
    [ "$(ls -A "$work/quitting")" = sheet.svg ] || fail "a FIFO sheet whose reader quit left $(ls -A "$work/quitting")"
fi

# The same in the sheet's tolerance search, past the analysis's dozen runs: no sheet, and
# no half-written one, stays behind.
if command -v nec2c >/dev/null; then
    fake "echo >>'$work/calls'; if [ \$(wc -l <'$work/calls') -gt 40 ]; then $sleeper & $sleeper; fi
exec $(command -v nec2c) \"\$@\""
fi
if [ "$sheets" = 1 ] && command -v nec2c >/dev/null; then
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
fi
if command -v nec2c >/dev/null; then
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
(cd "$work" && "$cli" --freq 144 --nec x.svg --plot ./x.svg >/dev/null 2>"$work/err")
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

# Every option value is checked before any work: finite, within its range, in the user's
# decimal separator as --freq is; nothing is written of a refused run.
mkdir -p "$work/values"
for case in "--overhang-mm nan --sheet $work/values/s.svg|not a number" \
    "--overhang-mm 1e400 --sheet $work/values/s.svg|not a number" \
    "--nec-timeout nan --analyze|not a number" "--sweep nan --analyze|not a number" \
    "--sweep -inf --nec $work/values/d.nec|not a number" \
    "--sweep 0 --export $work/values/z.s1p|leaves it none" \
    "--plot $work/values/p.pdf|written as SVG" "--rod-mm 0 --nec $work/values/d.nec|above 0"; do
    arguments=${case%|*}
    # shellcheck disable=SC2086
    "$cli" --freq 144 --inch 1 $arguments >/dev/null 2>"$work/err"
    check "$arguments" 2 "${case#*|}" $?
done
[ -z "$(ls -A "$work/values")" ] || fail "refused values left $(ls "$work/values")"
LC_ALL=de_DE.UTF-8 "$cli" --freq 144 --inch 1 --rod-mm 1,5 --wire-mm 2,5 \
    --nec "$work/values/de.nec" >/dev/null 2>"$work/err"
check "de_DE --rod-mm 1,5" 0 "" $?
# The radii in metres: 1.5 mm rods, 2.5 mm wire.
awk '$1 == "GW" && $2 == 1 && $10 != 0.00125 || $1 == "GW" && $2 == 9 && $10 != 0.00075 {
    bad = 1 } END { exit bad }' "$work/values/de.nec" ||
    fail "de_DE --rod-mm 1,5 --wire-mm 2,5: $(grep -E '^GW (1|9) ' "$work/values/de.nec")"
LC_ALL=de_DE.UTF-8 "$cli" --freq 144 --rod-mm 1.5 --nec "$work/values/de.nec" >/dev/null \
    2>"$work/err"
check "de_DE --rod-mm 1.5" 2 '"1.5" is not a number (the decimal separator here is ",")' $?
[ "$(wc -c <"$work/err")" -lt 300 ] || fail "de_DE --rod-mm 1.5 said $(wc -c <"$work/err") bytes"
# A German user reads warnings and refusals in commas; a path keeps its points. At 1296 MHz a
# 1 inch boom is 25.4 / (299792.458 / 1296) = 0.110 wavelength; 3 segments a wavelength make
# segments of 1/3 wavelength, cut to 0.273 on the shortest wire, over NEC-2's 0.1.
for case in "--freq 1296 --inch 1|0|is 0,110 wavelengths thick at 1296 MHz" \
    "--freq 144 --inch 1 --segments-per-wavelength 3 --analyze|2|segments of 0,273 wavelength are too long for NEC-2: at most 0,1" \
    "--freq 144 --inch 1 --directors 20|2|shorter than 0,3 wavelength (24,59 in)"; do
    IFS='|' read -r arguments want words <<<"$case"
    # shellcheck disable=SC2086
    LC_ALL=de_DE.UTF-8 "$cli" $arguments >/dev/null 2>"$work/err"
    check "de_DE: $arguments" "$want" "$words" $?
    if grep -qE '[0-9]\.[0-9]' "$work/err"; then fail "de_DE: $arguments: a decimal point: $(cat "$work/err")"; fi
done
if command -v nec2c >/dev/null; then
    LC_ALL=de_DE.UTF-8 TMPDIR="$work/no-1.5" "$cli" --freq 144 --inch 1 --analyze >/dev/null 2>"$work/err"
    check "de_DE: a path keeps its point" 1 "$work/no-1.5" $?
fi

# All or nothing: a run that fails or is stopped changes no existing file.
mkdir -p "$work/kept"
for name in a.csv d.nec; do echo OLD >"$work/kept/$name"; done
unchanged() {
    for name in a.csv d.nec; do
        [ "$(cat "$work/kept/$name")" = OLD ] || fail "$1: $name was replaced"
    done
    [ -z "$(ls "$work/kept" | grep -v '^a.csv$\|^d.nec$')" ] ||
        fail "$1: left $(ls "$work/kept" | grep -v '^a.csv$\|^d.nec$')"
}
"$cli" --freq 144 --inch 1 --export "$work/kept/a.csv" --nec "$work/kept/d.nec" \
    --sheet /nonexistent/s.pdf >/dev/null 2>"$work/err"
check "a sheet into a missing folder" 1 "cannot write the workshop sheet /nonexistent/s.pdf" $?
unchanged "a sheet into a missing folder"
# Every output path and the sheet's painter are checked before nec2c runs.
fake "touch '$work/ran'; exit 3"
analyze --export "$work/kept/a.csv" --export /nonexistent/x.maa >/dev/null 2>"$work/err"
check "an export into a missing folder" 1 "cannot write the MMANA-GAL model /nonexistent/x.maa" $?
[ ! -e "$work/ran" ] || fail "nec2c ran before an export's missing folder was found"
unchanged "an export into a missing folder"
mkdir -p "$work/painter"
cp "$cli" "$work/painter/tarvo-cli"
echo "not a library" >"$work/painter/libtarvo-sheet.so"
PATH="$work/bin:/usr/bin:/bin" "$work/painter/tarvo-cli" --freq 144 --inch 1 \
    --export "$work/kept/a.csv" --sheet "$work/kept/s.pdf" >/dev/null 2>"$work/err"
check "a sheet painter that cannot be loaded" 1 \
    "the sheet painter $work/painter/libtarvo-sheet.so cannot be loaded" $?
[ ! -e "$work/ran" ] || fail "nec2c ran before the sheet's painter was loaded"
unchanged "a sheet painter that cannot be loaded"
analyze --nec "$work/kept/d.nec" --export "$work/kept/a.csv" >/dev/null 2>"$work/err"
check "a failing analysis" 1 "nec2c failed (exit status 3)" $?
unchanged "a failing analysis"
rm -f "$work/ran"
# Interrupted in the sheet's tolerance search, after the analysis and the exports' contents.
if [ "$sheets" = 1 ] && command -v nec2c >/dev/null; then
    set -m
    fake "echo >>'$work/calls'; if [ \$(wc -l <'$work/calls') -gt 40 ]; then $sleeper & $sleeper; fi
exec $(command -v nec2c) \"\$@\""
    : >"$work/calls"
    PATH="$work/bin:/usr/bin:/bin" TMPDIR="$work/tmp" "$cli" --freq 144 --inch 1 \
        --export "$work/kept/a.csv" --nec "$work/kept/d.nec" --sheet "$work/kept/s.pdf" \
        >/dev/null 2>"$work/err" &
    pid=$!
    await_sleepers
    kill -INT "$pid"
    wait "$pid"
    check "SIGINT after the exports' contents" 130 "interrupted by SIGINT" $?
    leftovers "SIGINT after the exports' contents"
    unchanged "SIGINT after the exports' contents"
    set +m
elif [ "$sheets" = 1 ]; then
    fail "nec2c is not installed: the interrupted sheet cannot be checked"
fi
# A pipe nobody reads: SIGTERM ends the wait for a reader like any other.
mkfifo "$work/kept/pipe.csv"
"$cli" --freq 144 --inch 1 --export "$work/kept/pipe.csv" --export "$work/kept/a.csv" \
    >/dev/null 2>"$work/err" &
pid=$!
sleep 0.5
kill -TERM "$pid"
wait "$pid"
check "SIGTERM while a pipe waits for its reader" 143 "interrupted by SIGTERM" $?
rm -f "$work/kept/pipe.csv"
unchanged "SIGTERM while a pipe waits for its reader"

# Written files: a new one gets what the umask leaves of 0666, a replaced one keeps its own.
(umask 022 && "$cli" --freq 144 --export "$work/kept/new.maa" >/dev/null 2>"$work/err")
[ "$(stat -c %a "$work/kept/new.maa")" = 644 ] ||
    fail "a new file under umask 022 is $(stat -c %a "$work/kept/new.maa")"
(umask 077 && "$cli" --freq 144 --export "$work/kept/private.maa" >/dev/null 2>"$work/err")
[ "$(stat -c %a "$work/kept/private.maa")" = 600 ] ||
    fail "a new file under umask 077 is $(stat -c %a "$work/kept/private.maa")"
chmod 640 "$work/kept/new.maa"
(umask 022 && "$cli" --freq 432 --export "$work/kept/new.maa" >/dev/null 2>"$work/err")
[ "$(stat -c %a "$work/kept/new.maa")" = 640 ] ||
    fail "a replaced file of mode 640 became $(stat -c %a "$work/kept/new.maa")"
grep -q '^432$' "$work/kept/new.maa" || fail "the replaced file does not hold the new design"
rm -f "$work/kept/new.maa" "$work/kept/private.maa"

# Two outputs into one file, through a dangling link too; thousands of outputs are compared at
# once, not each with each.
ln -s x.maa "$work/kept/l.csv"
"$cli" --freq 144 --export "$work/kept/x.maa" --export "$work/kept/l.csv" >/dev/null 2>"$work/err"
check "two outputs through a dangling link" 2 "both would write" $?
[ ! -e "$work/kept/x.maa" ] || fail "two outputs through a dangling link wrote x.maa"
rm -f "$work/kept/l.csv"
many=()
for n in $(seq 3000); do many+=(--export "$work/kept/e$n.csv"); done
# The last one twice: a comparison of each with each finds it only after some 4.5 million.
timeout 30 "$cli" --freq 144 "${many[@]}" --export "$work/kept/e3000.csv" >/dev/null 2>"$work/err"
check "3000 exports and one twice" 2 "both would write" $?
unchanged "3000 exports and one twice"

# Deck coordinates to a millionth of a wavelength: at 3e5 MHz the reflector's half side, from
# the table's length (cut to 1e-5 in), lies within the cut; at 1e8 MHz no wire collapses.
"$cli" --freq 300000 --nonmetallic --wire-mm 0.000984 --rod-mm 0.00228 \
    --nec "$work/kept/far.nec" >"$work/out" 2>"$work/err"
check "a deck at 3e5 MHz" 0 "" $?
reflector=$(awk '$1 == "REFLECTOR" { print $2 }' "$work/out")
awk -v r="$reflector" '$1 == "GW" && $2 == 1 { y = -$5; low = r * 0.0254 / 8;
    high = (r + 0.00001) * 0.0254 / 8; exit !(y >= low && y <= high) }' "$work/kept/far.nec" ||
    fail "at 3e5 MHz the reflector's half side $(awk '$2 == 1 { print -$5 }' "$work/kept/far.nec") m is not that of $reflector in"
"$cli" --freq 100000000 --nonmetallic --wire-mm 0.000000003 --rod-mm 0.000000007 \
    --nec "$work/kept/far.nec" >/dev/null 2>"$work/err"
status=$?
[ "$status" != 0 ] || awk '$1 == "GW" && $4 == $7 && $5 == $8 && $6 == $9 { bad = 1 }
    END { exit bad }' "$work/kept/far.nec" || fail "at 1e8 MHz a wire of the deck has no length"
rm -f "$work/kept/far.nec"

# Qt's run-time folder stays inside TARVO's own temporary folder and goes with it.
if [ "$sheets" = 1 ]; then
    mkdir -p "$work/qt"
    env -u XDG_RUNTIME_DIR TMPDIR="$work/qt" "$cli" --freq 144 --inch 1 \
        --sheet "$work/kept/q.svg" >/dev/null 2>"$work/err"
    check "a sheet without XDG_RUNTIME_DIR" 0 "" $?
    [ -z "$(ls -A "$work/qt")" ] || fail "a sheet left $(ls -A "$work/qt") in TMPDIR"
    XDG_RUNTIME_DIR="$work/no-runtime" TMPDIR="$work/qt" "$cli" --freq 144 --inch 1 \
        --sheet "$work/kept/q.svg" >/dev/null 2>"$work/err"
    check "a sheet with a missing XDG_RUNTIME_DIR" 0 "" $?
    [ ! -e "$work/no-runtime" ] || fail "a sheet made the folder XDG_RUNTIME_DIR names"
    rm -f "$work/kept/q.svg"
fi

# A full TMPDIR while nec2c writes: said as such, not as a truncated nec2c report.
if unshare -rm true 2>/dev/null; then
    mkdir -p "$work/small"
    unshare -rm sh -c "mount -t tmpfs -o size=64k tmpfs '$work/small' &&
        TMPDIR='$work/small' '$cli' --freq 144 --inch 1 --analyze" >/dev/null 2>"$work/err"
    check "a full TMPDIR" 1 "the temporary folder $work/small (TMPDIR) is full" $?
else
    fail "unshare cannot mount a small folder here: the full TMPDIR cannot be checked"
fi

echo "hostile tarvo-cli: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
