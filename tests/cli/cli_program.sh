#!/usr/bin/env bash
# The executable's command line as a mail client and a shell use it: exit statuses, the
# query's lines, exports and an import, and a query while the window has the book open.
# Usage: cli_program.sh PROGRAM
set -uo pipefail
PROG=$(readlink -f "$1")
work=$(mktemp -d)
window=""
portable=""
cleanup() {
    [ -n "$window" ] && kill "$window" 2>/dev/null && wait "$window" 2>/dev/null
    rm -rf "$work" ${portable:+"$portable"}
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

# The mail client's set-up as the README and the manual give it, run the way NeoMutt runs it:
# %s replaced by the typed text in single quotes (a ' or ` closed, escaped and reopened),
# the line given to sh -c. Whatever is typed arrives as one argument and runs nothing.
printf '%s\r\n' "BEGIN:VCARD" "VERSION:3.0" "FN:Ann Marie Ode" "EMAIL:amo@example.com" \
    "END:VCARD" "BEGIN:VCARD" "VERSION:3.0" "FN:Pat O'Brien" "EMAIL:pat@example.com" \
    "END:VCARD" >"$work/mutt.vcf"
"$PROG" --import "$work/mutt.vcf" >/dev/null || fail "import for the mail client"
docs=$(dirname "$0")/../..
line=$(grep -oh 'query_command = "[^"]*"' "$docs/README.md")
[ "$line" = "$(grep -oh 'query_command = "[^"]*"' "$docs/docs/quenlark-addressbook.1" |
    sed 's/\\-/-/g')" ] || fail "the README and the manual give different set-ups"
template=${line#query_command = \"}
template=${template%\"}
mkdir "$work/mutt"
mutt_query() { # TEXT
    local quoted=$1
    quoted=${quoted//\'/\'\\\'\'}
    quoted=${quoted//\`/\'\\\`\'}
    (cd "$work/mutt" && PATH=$(dirname "$PROG"):$PATH sh -c "${template//%s/\'$quoted\'}")
}
for typed in 'x$(touch PWNED)' 'x`touch PWNED`' 'ann marie' "o'bri"; do
    out=$(mutt_query "$typed" 2>"$work/err")
    status=$?
    [ -z "$(ls -A "$work/mutt")" ] || fail "$typed ran a command: $(ls "$work/mutt")"
    [ -s "$work/err" ] && fail "$typed: $(cat "$work/err")"
    case $typed in
    x*) [ $status = 1 ] && [ "$out" = "Quenlark Address Book: no contact matches \"$typed\"" ] ;;
    ann*) [ $status = 0 ] && [ "$(echo "$out" | tail -n +2)" = $'amo@example.com\tAnn Marie Ode\t' ] ;;
    o*) [ $status = 0 ] && [ "$(echo "$out" | tail -n +2)" = $'pat@example.com\tPat O\'Brien\t' ] ;;
    esac || fail "the mail client's query for $typed: $status $out"
done
ok "the documented mail client set-up passes any text as one argument"

# Anything the program did not foresee ends it with a message and status 1, never an abort:
# here an import into an empty book whose first header cannot be written (no file may grow).
mkdir -p "$work/abort/config/quenlark"
: >"$work/abort/empty.qab"
printf '[Software\\Quenlark\\Address Book]\nActive Address Book="%s"\n' "$work/abort/empty.qab" \
    >"$work/abort/config/quenlark/addressbook.ini"
message=$(trap '' XFSZ; ulimit -f 0
    XDG_CONFIG_HOME=$work/abort/config "$PROG" --import "$work/in.vcf" 2>&1 >/dev/null)
status=$?
[ $status = 1 ] && [ -n "$message" ] || fail "an import that cannot write the header: $status $message"
ok "an import that cannot write ends with a message and status 1"

# The command line answers from the book the window opens, and never makes one: a read-only
# book beside the program is not the person's (the window makes their own at the first
# start). Run as a user for whom read-only means read-only.
portable=$(mktemp -d)
chmod 755 "$portable"
mkdir -p "$portable/bin" "$portable/home/run"
chmod 700 "$portable/home/run"
cp "$PROG" "$(dirname "$PROG")/quenlark-window.so" "$portable/bin/"
cp "$db" "$portable/bin/addressbook.qab"
chmod 444 "$portable/bin/addressbook.qab"
as_person=()
if [ "$(id -u)" = 0 ]; then
    chown -R nobody "$portable/home"
    as_person=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
person() {
    "${as_person[@]}" env -i PATH=/usr/bin:/bin HOME="$portable/home" QT_QPA_PLATFORM=offscreen \
        "$portable/bin/quenlark-addressbook" "$@"
}
person --query ann >"$work/out" 2>"$work/err"
[ $? = 1 ] && grep -q "no address book" "$work/err" && [ ! -e "$portable/home/.local" ] || fail "a query answered from the book beside the program: $(cat "$work/out" "$work/err")"
timeout 3 "${as_person[@]}" env -i PATH=/usr/bin:/bin HOME="$portable/home" \
    XDG_RUNTIME_DIR="$portable/home/run" QT_QPA_PLATFORM=offscreen "$portable/bin/quenlark-addressbook" \
    >/dev/null 2>&1
person --query ann >"$work/out" 2>"$work/err"
[ $? = 1 ] && grep -q "no contact matches" "$work/out" &&
    [ -s "$portable/home/.local/share/quenlark/addressbook.qab" ] ||
    fail "after the window's first start: $(cat "$work/out" "$work/err")"
ok "the command line and the window work on the same book"

# A window module in the current folder never runs, even when the program cannot tell where
# it lies itself (no /proc): it says so and ends.
if unshare -rm true 2>/dev/null; then
    mkdir "$work/planted"
    ln -s "$(dirname "$PROG")/quenlark-window.so" "$work/planted/quenlark-window.so"
    message=$(cd "$work/planted" && timeout 10 unshare -rm sh -c \
        'mount -t tmpfs none /proc && exec "$0"' "$PROG" 2>&1 >/dev/null)
    status=$?
    [ $status = 1 ] && [[ $message == *"cannot load the window"* ]] ||
        fail "without /proc: $status $message"
    ok "a module in the current folder is not loaded"
else
    echo "skipped: no user namespaces to hide /proc in"
fi

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
