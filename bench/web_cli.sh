#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarvo-cli under node against the native tarvo-cli, run in turn on the same scripts: a recorded
# session of 30 000 events and the same ten times over (300 000), each one's time and peak
# resident memory, and the ratios node / native. The script is streamed, so memory must not grow
# with it: the longer script's peak is printed against the shorter one's. node's own start (an
# empty program) is the floor that any program under node pays.
#   bench/web_cli.sh NATIVE_TARVO_CLI NODE_TARVO_CLI_JS
set -euo pipefail
native="$1"
web="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM HUP

# The events of a session, one design after another, each checked in both units, a dump now and
# then: nine events a block.
block='type 144
click Option2
select List1 1
click Command1
click Command4
type 432.1
select List2 25
click Command1
dump'
for events in 30000 300000; do
    awk -v block="$block" -v events="$events" 'BEGIN {
        n = split(block, lines, "\n")
        for (i = 0; i < events; ++i) print lines[i % n + 1]
    }' >"$work/$events.tarvo"
    [ "$(wc -l <"$work/$events.tarvo")" -eq "$events" ]
done

# measure NAME COMMAND...: seconds and peak resident kB of the best of three runs, into NAME.
measure() {
    local name="$1" best_s="" best_kb="" start end s kb
    shift
    for _ in 1 2 3; do
        start=$(date +%s%N)
        /usr/bin/time -f '%M' -o "$work/rss" "$@" >/dev/null
        end=$(date +%s%N)
        s=$(awk -v ns="$((end - start))" 'BEGIN { printf "%.3f", ns / 1e9 }')
        kb=$(cat "$work/rss")
        if [ -z "$best_s" ] || awk -v a="$s" -v b="$best_s" 'BEGIN { exit !(a < b) }'; then
            best_s=$s
        fi
        if [ -z "$best_kb" ] || [ "$kb" -lt "$best_kb" ]; then best_kb=$kb; fi
    done
    printf -v "${name}_s" '%s' "$best_s"
    printf -v "${name}_kb" '%s' "$best_kb"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'; }

measure floor node -e ""
echo "node's own start (an empty program): ${floor_s} s, peak ${floor_kb} kB"
for events in 30000 300000; do
    measure native "$native" --script "$work/$events.tarvo"
    measure node node "$web" --script "$work/$events.tarvo"
    printf -v "peak_$events" '%s' "$node_kb"
    echo "--script, $events events (best of 3): native ${native_s} s, ${native_kb} kB;" \
        "node ${node_s} s, ${node_kb} kB; node / native: time $(ratio "$node_s" "$native_s")," \
        "memory $(ratio "$node_kb" "$native_kb")"
done
echo "node's peak memory, 300 000 events against 30 000: ${peak_300000} kB / ${peak_30000} kB =" \
    "$(awk -v a="$peak_300000" -v b="$peak_30000" 'BEGIN { printf "%.2f", a / b }')" \
    "(streamed: no growth with the script)"
measure native "$native" --freq 144 --inch 1 --export "$work/n.maa"
measure node node "$web" --freq 144 --inch 1 --export "$work/w.maa"
echo "--freq 144 --inch 1 --export FILE.maa (best of 3): native ${native_s} s, node ${node_s} s," \
    "node / native $(ratio "$node_s" "$native_s")"
# nec2c's work under node against natively (budgets: the analysis within 2x, the trim within 3x).
# nec2c alone, native and WebAssembly, on the sweep deck --analyze writes, is the baseline: what
# is left of the ratio above it is TARVO's own under node.
for what in "--analyze" "--trim"; do
    # shellcheck disable=SC2086 # the option is one word
    measure native "$native" --freq 144 --inch 1 $what
    # shellcheck disable=SC2086
    measure node node "$web" --freq 144 --inch 1 $what
    budget=2
    if [ "$what" = "--trim" ]; then budget=3; fi
    echo "--freq 144 --inch 1 $what (best of 3): native ${native_s} s, node ${node_s} s," \
        "node / native $(ratio "$node_s" "$native_s") (budget ${budget})"
done
"$native" --freq 144 --inch 1 --nec "$work/sweep.nec" >/dev/null
folder=$(dirname "$(realpath "$web")")
cat >"$work/nec2c.js" <<'SCRIPT'
// nec2c's WebAssembly module run once on a deck, as tarvo-cli's host runs it.
const [folder, input] = process.argv.slice(2);
const fs = require('fs');
const factory = require(folder + '/nec2c.js');
const compiled = new WebAssembly.Module(fs.readFileSync(folder + '/nec2c.wasm'));
const nec = {noInitialRun: true, quit: (status, thrown) => { throw thrown; },
  instantiateWasm(imports, done) {
    const instance = new WebAssembly.Instance(compiled, imports);
    done(instance, compiled);
    return instance.exports;
  }};
factory(nec);
nec.FS.writeFile('/d.nec', fs.readFileSync(input));
try { nec.callMain(['-i/d.nec', '-o/d.out']); } catch (e) { if (e.name !== 'ExitStatus') throw e; }
SCRIPT
measure native nec2c -i"$work/sweep.nec" -o"$work/sweep.out"
measure node node "$work/nec2c.js" "$folder" "$work/sweep.nec"
echo "nec2c alone on the analysis's sweep deck (best of 3): native ${native_s} s, WebAssembly" \
    "under node ${node_s} s, ratio $(ratio "$node_s" "$native_s")"
