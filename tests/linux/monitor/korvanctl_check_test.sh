#!/usr/bin/env bash
# korvanctl check as a script sees it: one line per row in row order, a
# summary, exit 0; bad option values give one line on stderr and exit 1.
# Hosts are loopback ports held open by a small Python helper: one listens,
# one is bound but refuses.
set -u
K=$1
work=$(mktemp -d)
cd "$work"
python3 - >ports <<'PY' &
import socket, sys, time
up = socket.socket(); up.bind(("127.0.0.1", 0)); up.listen(16)
down = socket.socket(); down.bind(("127.0.0.1", 0))
print(up.getsockname()[1], down.getsockname()[1], flush=True)
sys.stdout.close()
time.sleep(60)
PY
helper=$!
trap 'kill $helper 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s ports ] && break; sleep 0.1; done
read -r up down <ports
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if ! "$@"; then echo "FAIL: $what"; failures=$((failures + 1)); fi
}

"$K" add --db r.db --note 甲 --address "127.0.0.1:$up" --user u --password p >/dev/null
"$K" add --db r.db --note 乙 --address placeholder --user u --password p >/dev/null
"$K" add --db r.db --note 丙 --address "127.0.0.1:$down" --user u --password p >/dev/null
# The second host loses its address (the add command would not take an empty one).
"$K" decode r.db | sed 's|<IP2>placeholder</IP2>|<IP2/>|' | "$K" encode --out r.db

out=$("$K" check --db r.db --timeout 2000); rc=$?
check "check succeeds" test $rc -eq 0
expected=$(printf '1\t甲\t127.0.0.1:%s\t在线\n2\t乙\t\t(no address)\n3\t丙\t127.0.0.1:%s\t离线' "$up" "$down")
check "rows in order" test "$(head -3 <<<"$out")" = "$expected"
check "summary" grep -qE '^online 1, offline 1, skipped 1 \(3 hosts in [0-9.]+ s\)$' <<<"$out"

for bad in "--timeout abc" "--timeout 0" "--timeout -5" "--parallel 0" "--parallel 1001" "--parallel 2x"; do
  err=$("$K" check --db r.db $bad 2>&1 >/dev/null); rc=$?
  check "$bad refused" test $rc -eq 1
  check "$bad: one line" test "$(wc -l <<<"$err")" -eq 1
done
err=$("$K" check --db missing.db 2>&1 >/dev/null); rc=$?
check "a missing database named by --db is an error" test $rc -eq 1

[ $failures -eq 0 ] && echo "all passed"
exit $((failures > 0))
