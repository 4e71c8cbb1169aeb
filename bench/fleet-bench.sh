#!/usr/bin/env bash
# tqv580-cli fleet over 16 simulated serial gateways, --jobs 4 against --jobs 1. Every run writes
# every gateway (the runs alternate between two projects), with the line paced like a real one.
#   bench/fleet-bench.sh CLI SIM [RUNS] [BAUD]     e.g. build/bin/tqv580-cli build/bin/tqv580-gateway-sim
set -euo pipefail
cli=$1 sim=$2 runs=${3:-5} baud=${4:-19200}
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT

# Two projects that differ in one carried value, so that every run writes every gateway.
for p in a:1500 b:2000; do
  "$cli" new --type 3 -o "$work/${p%%:*}.tqv" 2>/dev/null
  "$cli" set "$work/${p%%:*}.tqv" subnet:1 7 "${p#*:}" 2>/dev/null
done
for i in $(seq 1 16); do
  exec {fd}< <(exec "$sim" --pty "$work/g$i" --line-speed "$baud")
  pids+=($!)
  read -r -t 10 -u "$fd" line
done
for p in a b; do
  { echo "name,port_or_address,project"; for i in $(seq 1 16); do echo "g$i,$work/g$i,$p.tqv"; done; } > "$work/$p.csv"
done

median() { sort -n | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }
run=0
declare -A times
for jobs in 1 4; do
  for r in $(seq 1 "$runs"); do
    manifest=$([[ $((run % 2)) == 0 ]] && echo a || echo b); run=$((run + 1))
    start=$(date +%s.%N)
    "$cli" --lang en fleet "$work/$manifest.csv" --jobs "$jobs" --json > "$work/out.json" 2>/dev/null || { echo "fleet failed"; cat "$work/out.json"; exit 1; }
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc)
    changed=$(python3 -c "import json,sys; print(sum(g['changed'] for g in json.load(open(sys.argv[1]))['gateways']))" "$work/out.json")
    echo "jobs $jobs run $r: ${t}s, $changed of 16 changed"
    times[$jobs]+="$t "
  done
done
m1=$(echo "${times[1]}" | tr ' ' '\n' | grep . | median)
m4=$(echo "${times[4]}" | tr ' ' '\n' | grep . | median)
echo "median --jobs 1: ${m1}s  --jobs 4: ${m4}s  speed-up: $(echo "scale=2; $m1 / $m4" | bc)x"
