#!/usr/bin/env bash
# The Ansible module against simulators on two ptys and one loopback Ethernet port: --check
# writes nothing, the first run changes every gateway, the second changes none and writes nothing.
#   AnsibleApply.sh CLI SIM PLAYBOOK WORK      exit 77 (skipped) without ansible-playbook
set -euo pipefail
command -v ansible-playbook >/dev/null || { echo "ansible-playbook is not installed"; exit 77; }
cli=$(realpath "$1") sim=$(realpath "$2") playbook=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
export ANSIBLE_HOME="$work/home" ANSIBLE_LOCAL_TEMP="$work/tmp" ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true' EXIT

# Starts a simulator and waits for its ready line on a descriptor kept open for its later lines.
start() { # fd, args...
  local fd=$1; shift
  eval "exec $fd< <(exec \"\$sim\" \"\$@\")"
  pids+=($!)
  local line; read -r -t 10 -u "$fd" line && [[ $line == ready* ]] || { echo "simulator did not start: $*"; exit 1; }
}
for p in serial:3 eth:4; do
  "$cli" new --type "${p#*:}" -o "$work/${p%%:*}.tqv" && "$cli" set "$work/${p%%:*}.tqv" subnet:1 7 1500
done
start 5 --pty "$work/s1" --save "$work/s1.json"
start 6 --pty "$work/s2" --save "$work/s2.json"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
TQV580_GATEWAY_PORT=$port start 7 --ethernet --save "$work/e1.json"
cat > "$work/inventory.ini" <<INI
[gateways]
s1 tqv_port=$work/s1 tqv_project=$work/serial.tqv
s2 tqv_port=$work/s2 tqv_project=$work/serial.tqv
e1 tqv_address=127.0.0.1 tqv_gateway_port=$port tqv_project=$work/eth.tqv
[gateways:vars]
ansible_python_interpreter=/usr/bin/python3
tqv580_cli=$cli
INI
play() { ansible-playbook -i "$work/inventory.ini" "$playbook" "$@" | tee "$work/play.log"; }
written() { ls "$work"/s1.json "$work"/s2.json "$work"/e1.json 2>/dev/null | wc -l; }
expect() { grep -Eq "$1" "$work/play.log" || { echo "expected: $1"; exit 1; }; }

play --check
expect 's1 +: ok=[0-9]+ +changed=1 ' && expect 'e1 +: ok=[0-9]+ +changed=1 '
[[ $(written) == 0 ]] || { echo "--check wrote to a gateway"; exit 1; }
play
expect 's2 +: ok=[0-9]+ +changed=1 ' && expect 'e1 +: ok=[0-9]+ +changed=1 '
[[ $(written) == 3 ]] || { echo "not every gateway was written"; exit 1; }
rm -f "$work"/*.json
play
for host in s1 s2 e1; do expect "$host +: ok=[0-9]+ +changed=0 +unreachable=0 +failed=0"; done
[[ $(written) == 0 ]] || { echo "the second run wrote to a gateway"; exit 1; }
echo "ansible apply: ok"
