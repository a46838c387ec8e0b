#!/usr/bin/env bash
# korvanctl profile and connect as a script sees them. korvanctl runs from a
# copy beside a recording mstsc.exe, which is found there before PATH.
# close-all is not run: it would end every user's clients on this machine.
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/tmp"
cp "$1" "$work/bin/korvanctl"
K=$work/bin/korvanctl
export TMPDIR=$work/tmp
cd "$work"
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if ! "$@"; then echo "FAIL: $what"; failures=$((failures + 1)); fi
}
contains() { grep -qF -- "$2" <<<"$1"; }

"$K" add --db r.db --note 一 --address 10.0.0.1:3390 --user 管理员 --password pw >/dev/null
"$K" add --db r.db --note 二 --address 10.0.0.2 --user u2 --password pw >/dev/null

# profile: a new file in TMPDIR, 38 lines, the owner's only, path printed
out=$("$K" profile 1 --db r.db); rc=$?
check "profile succeeds" test $rc -eq 0
check "profile name" grep -qE "^$work/tmp/Korvan_[A-Za-z]{4}[02468]{4}\.KV\$" <<<"$out"
check "38 lines" test "$(wc -l <"$out")" -eq 37
check "owner only" test "$(stat -c %a "$out")" = 600
check "GBK user name" contains "$(iconv -f GBK -t UTF-8 <"$out")" "username:s:管理员"
check "address with port" grep -q "full address:s:10.0.0.1:3390" "$out"

for bad in 0 3 -1; do
  err=$("$K" profile "$bad" --db r.db 2>&1 >/dev/null); rc=$?
  check "row $bad refused" test $rc -eq 1
  check "row $bad: one line" test "$(wc -l <<<"$err")" -eq 1
done
err=$("$K" connect 1 5 --db r.db 2>&1 >/dev/null); rc=$?
check "connect refuses an unknown row" test $rc -eq 1
check "naming it" contains "$err" "no row 5"
check "and starts nothing" test ! -e args

# connect: the client beside korvanctl, once per row, rows in ascending order
cat >"$work/bin/mstsc.exe" <<'SH'
#!/bin/sh
{ printf '%s|' "$@"; grep -a "full address" "$1" | tr -d '\r'; } >>"$(dirname "$0")/../args"
SH
chmod +x "$work/bin/mstsc.exe"
out=$("$K" connect 2 1 --db r.db); rc=$?
check "connect succeeds" test $rc -eq 0
check "reports each start" test "$(grep -c '^started mstsc.exe ' <<<"$out")" -eq 2
for i in $(seq 50); do [ "$(wc -l <args 2>/dev/null)" = 2 ] && break; sleep 0.1; done
check "two clients" test "$(wc -l <args)" -eq 2
check "row 1 first" grep -qE "^$work/tmp/Korvan_[A-Za-z0-9]{8}\.KV\|/console\|full address:s:10.0.0.1:3390\$" <(sed -n 1p args)
check "row 2 next" grep -qE "\|/console\|full address:s:10.0.0.2:3389\$" <(sed -n 2p args)

# no client to start: said so, exit 1
rm "$work/bin/mstsc.exe"
err=$(PATH=/usr/bin:/bin "$K" connect 1 --db r.db 2>&1 >/dev/null); rc=$?
check "missing client fails" test $rc -eq 1
check "with a message" contains "$err" "cannot start mstsc.exe"

if [ $failures -ne 0 ]; then echo "$failures check(s) failed"; exit 1; fi
echo "all checks passed"
