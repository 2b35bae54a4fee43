#!/usr/bin/env bash
# The executable's command line as a mail client and a shell use it: exit statuses, the
# query's lines, exports and an import, and a query while the window has the book open.
# Usage: cli_program.sh PROGRAM
set -uo pipefail
PROG=$(readlink -f "$1")
work=$(mktemp -d)
window=""
cleanup() {
    [ -n "$window" ] && kill "$window" 2>/dev/null && wait "$window" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
ok() { echo "ok: $*"; }

export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run
export QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_DATA_HOME/quenlark" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
db=$XDG_DATA_HOME/quenlark/addressbook.qab

"$PROG" --query ann >"$work/out" 2>"$work/err"
[ $? = 1 ] && grep -q "no address book" "$work/err" || fail "a query without a book"
: >"$db"
"$PROG" --query ann >"$work/out" 2>"$work/err"
[ $? = 1 ] && [ -s "$work/err" ] || fail "a query of an empty book must fail with a message"

printf '%s\r\n' "BEGIN:VCARD" "VERSION:3.0" "FN:Ann Lee" "NICKNAME:Annie" \
    "EMAIL;TYPE=HOME:ann@example.com" "EMAIL;TYPE=WORK:lee@work.example" "END:VCARD" \
    "BEGIN:VCARD" "VERSION:3.0" "FN:Bob Zed" "EMAIL:bob@example.com" "END:VCARD" \
    "BEGIN:VCARD" "VERSION:3.0" "FN:Carol Ng" "END:VCARD" >"$work/in.vcf"
"$PROG" --import "$work/in.vcf" >"$work/out" 2>"$work/err"
[ $? = 0 ] && grep -q "3 to add" "$work/out" || fail "import: $(cat "$work/out" "$work/err")"
ok "imported three contacts"

"$PROG" --query ANN >"$work/out" 2>"$work/err"
[ $? = 0 ] || fail "query exit status"
expected=$(printf '%s\t%s\t%s\n' ann@example.com "Ann Lee" Annie lee@work.example "Ann Lee" Annie)
[ "$(tail -n +2 "$work/out")" = "$expected" ] || fail "query lines: $(cat "$work/out")"
[ "$(head -1 "$work/out" | tr -d '[:print:]')" = "" ] || fail "status line"
"$PROG" --query example.com | grep -q "bob@example.com" || fail "query by address"
"$PROG" --query carol >/dev/null 2>&1
[ $? = 1 ] || fail "a contact without an address gives no line"
ok "queries print the mail client's lines and statuses"

"$PROG" --export-vcard - | grep -q "^FN:Bob Zed" || fail "vCard export to the output"
"$PROG" --export-csv "$work/all.csv" && head -1 "$work/all.csv" | grep -q $'^\xef\xbb\xbfName,' &&
    [ "$(grep -c 'Lee\|Zed\|Ng' "$work/all.csv")" = 3 ] || fail "CSV export"
ok "exports"

"$PROG" --bogus >/dev/null 2>&1
[ $? = 2 ] || fail "an unknown option exits with 2"
"$PROG" --query >/dev/null 2>&1
[ $? = 2 ] || fail "a missing argument exits with 2"
"$PROG" --version | grep -q "2.4.2" || fail "version"
ok "usage statuses"

# With the window open: the query still answers, an import is refused and changes nothing.
"$PROG" >"$work/window.log" 2>&1 &
window=$!
for _ in $(seq 300); do
    flock -n -x "$db" true 2>/dev/null || break
    sleep 0.1
done
flock -n -x "$db" true 2>/dev/null && fail "the window did not take the book: $(cat "$work/window.log")"
before=$(sha256sum <"$db")
"$PROG" --query bob | grep -q "bob@example.com" || fail "a query while the window is open"
"$PROG" --import "$work/in.vcf" >"$work/out" 2>"$work/err"
[ $? = 1 ] && grep -q "in use" "$work/err" || fail "an import while the window is open"
[ "$(sha256sum <"$db")" = "$before" ] || fail "the refused import changed the book"
ok "the window open: query answered, import refused"

[ $fails = 0 ] || exit 1
