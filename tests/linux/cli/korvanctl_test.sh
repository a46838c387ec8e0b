#!/usr/bin/env bash
# korvanctl as a script sees it: UTF-8 in and out, exit codes, files on disk.
set -u
K=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if ! "$@"; then echo "FAIL: $what"; failures=$((failures + 1)); fi
}
contains() { grep -qF -- "$2" <<<"$1"; }

# add, then show --json with and without passwords
"$K" add --db r.db --note 主机1 --address 192.168.0.100 --user administrator --password 'p&w<1'
check "add succeeds" test $? -eq 0
"$K" add --db r.db --note 机房 --address srv:3390 --user 用户 --password x >/dev/null
json=$("$K" show --db r.db --json)
check "json has the note in UTF-8" contains "$json" '"note": "机房"'
check "json has the settings by name" contains "$json" '"desktopWidth": "1024"'
check "json counts the hosts" contains "$json" '"hostCount": "2"'
check "json leaves passwords out" test "$(grep -c password <<<"$json")" -eq 0
json=$("$K" show --db r.db --json --passwords)
check "json with passwords" contains "$json" '"password": "p&w<1"'

# refusals of the add dialog: message on stderr, exit 1, file unchanged
before=$(sha1sum r.db)
err=$("$K" add --db r.db --note ' ' --address a --user u --password p 2>&1 >/dev/null); rc=$?
check "blank note refused" test $rc -eq 1
check "with the dialog's message" contains "$err" "请把主机信息输入完整！"
err=$("$K" add --db r.db --note n --address a --user u --password '' 2>&1 >/dev/null); rc=$?
check "empty password refused" test $rc -eq 1
check "with its message" contains "$err" "必须设置一个主机密码！"
check "refusals leave the file alone" test "$before" = "$(sha1sum r.db)"

# set
"$K" set --db r.db colourDepth 32
check "set a field" contains "$("$K" show --db r.db --json)" '"colourDepth": "32"'
"$K" set --db r.db skin 经典
check "set a GBK value" contains "$("$K" show --db r.db --json)" '"skin": "经典"'
"$K" set --db r.db nosuchfield 1 2>/dev/null; check "unknown field fails" test $? -ne 0
"$K" set --db r.db desktopWidth 639 2>/dev/null; check "too narrow fails" test $? -ne 0
"$K" set --db r.db desktopWidth 640; check "640 is accepted" test $? -eq 0

# decode and encode give the file back byte for byte
"$K" decode r.db > doc.txt
check "decode shows the document" contains "$(cat doc.txt)" '<IP2>srv:3390</IP2>'
check "decode unescapes nothing" contains "$(cat doc.txt)" 'p&amp;w&lt;1'
"$K" encode --out r2.db < doc.txt
check "decode | encode is the same file" cmp -s r.db r2.db
"$K" encode < doc.txt > r3.db
check "encode to standard output" cmp -s r.db r3.db
check "only hex digits and commas" test -z "$(tr -d '0-9A-F,' < r.db)"
echo '<a><b>' | "$K" encode --out r4.db 2>/dev/null; check "encode refuses a broken document" test $? -ne 0
check "and writes nothing" test ! -e r4.db

# bad input never crashes and never overwrites
echo "garbage, not hex" > bad.db
"$K" show --db bad.db 2>/dev/null; check "damaged file: show fails" test $? -eq 1
"$K" add --db bad.db --note n --address a --user u --password p 2>/dev/null
check "damaged file: add fails" test $? -eq 1
check "damaged file untouched" test "$(cat bad.db)" = "garbage, not hex"
"$K" decode bad.db 2>/dev/null; check "damaged file: decode fails" test $? -eq 1
"$K" show --db missing.db 2>/dev/null; check "missing --db file: show fails" test $? -eq 1
"$K" decode missing.db 2>/dev/null; check "missing file: decode fails" test $? -eq 1

# the usual place: the user's configuration directory, created 0600
if [ ! -e "$(dirname "$K")/Remote.db" ]; then
  export XDG_CONFIG_HOME=$work/config
  "$K" add --note n --address a --user u --password p
  check "default database created" test -f "$XDG_CONFIG_HOME/korvan3389/Remote.db"
  check "readable by the user only" test "$(stat -c %a "$XDG_CONFIG_HOME/korvan3389/Remote.db")" = 600
  check "show finds it" contains "$("$K" show --json)" '"hostCount": "1"'
fi

if [ "$failures" -ne 0 ]; then echo "$failures checks failed"; exit 1; fi
echo "all korvanctl checks passed"
