#!/usr/bin/env bash
# Drives the real program in a virtual X server as a person would, with key presses and
# clicks, then checks the database file and the report files it wrote.
# Usage: e2e.sh PROGRAM DBDUMP ARTIFACT_DIR
set -euo pipefail

PROG=$(readlink -f "$1")
DUMP=$(readlink -f "$2")
ARTIFACTS=$3
mkdir -p "$ARTIFACTS"
rm -f "$ARTIFACTS/failure.png"
ARTIFACTS=$(readlink -f "$ARTIFACTS")

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM

fail() {
    echo "FAIL: $*" >&2
    echo "windows:" >&2
    for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
        echo "  $w $(xdotool getwindowname "$w" 2>/dev/null)" >&2
    done
    for log in "$work"/*.log; do
        [ -s "$log" ] && { echo "--- $log" >&2; tail -n 20 "$log" >&2; }
    done
    xwd -root -silent 2>/dev/null | xwdtopnm 2>/dev/null | pnmtopng >"$ARTIFACTS/failure.png" 2>/dev/null || true
    exit 1
}
pass=0
ok() {
    echo "ok: $*"
    pass=$((pass + 1))
}

# A sandbox of its own: settings, runtime folder, data, and an empty database file.
sandbox() { # NAME DATABASE
    local home=$work/$1
    mkdir -p "$home/config/quenlark" "$home/run" "$home/data"
    chmod 700 "$home/run"
    printf '[Software\\Quenlark\\Address Book]\nActive Address Book="%s"\n' "$2" \
        >"$home/config/quenlark/addressbook.ini"
}
sandbox_env() { # NAME: points this shell's settings, runtime and data folders at the sandbox
    local home=$work/$1
    export HOME=$home XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/run \
        XDG_DATA_HOME=$home/data
}

# The virtual X server, on a free display. It must not reset when its last client goes,
# or a program started just then cannot connect.
exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$work/display")
export QT_QPA_PLATFORM=xcb

start() { # NAME -> sets APP_PID, the program's own process
    (sandbox_env "$1" && exec "$PROG" >>"$work/$1.log" 2>&1) &
    APP_PID=$!
    pids+=("$APP_PID")
}
# The visible top-level windows of a process, newest last.
windows_of() { xdotool search --onlyvisible --pid "$1" 2>/dev/null || true; }
wait_window() { # PID TITLE-PATTERN -> prints the window id
    local w
    for _ in $(seq 300); do
        for w in $(windows_of "$1"); do
            if xdotool getwindowname "$w" 2>/dev/null | grep -q -- "$2"; then
                echo "$w"
                return 0
            fi
        done
        sleep 0.1
    done
    return 1
}
wait_gone() { # PID TITLE-PATTERN
    for _ in $(seq 100); do
        local found=0 w
        for w in $(windows_of "$1"); do
            xdotool getwindowname "$w" 2>/dev/null | grep -q -- "$2" && found=1
        done
        [ $found = 0 ] && return 0
        sleep 0.1
    done
    return 1
}
focus() { xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"; }
click() { # WINDOW X Y
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.2
}
keys() { xdotool key --delay 60 "$@"; sleep 0.3; }
wait_until() { # COMMAND...: true once the command succeeds, trying for up to 10 seconds
    for _ in $(seq 100); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
typed() { xdotool type --delay 15 "$1"; sleep 0.1; }
answer() { # PID TITLE KEY: answers a message box of that title with a key
    local box
    box=$(wait_window "$1" "$2") || fail "no message box \"$2\""
    focus "$box"
    keys "$3"
    wait_gone "$1" "$2" || fail "message box \"$2\" stayed open"
}
wait_exit() { # PID -> the exit code
    local rc=0
    wait "$1" || rc=$?
    echo "$rc"
}

# --- The main scenario ---------------------------------------------------------------------
db=$work/book.qab
: >"$db"
sandbox main "$db"
start main
MAIN=$APP_PID
win=$(wait_window "$MAIN" "Quenlark Address Book") || fail "the main window did not open"
focus "$win"
ok "main window opened on an empty database"

# Three contacts through the Enter chain: name, nickname, e-mail, second e-mail, web site,
# phone, mobile, address, zip code, city, then Enter in the country list adds.
add_contact() { # NAME EMAIL CITY
    click "$win" 300 82 # e_name
    typed "$1";                 keys Return
    typed "nick";               keys Return
    typed "$2";                 keys Return
    keys Return
    typed "http://example.com"; keys Return
    typed "555 0100";           keys Return
    keys Return
    typed "1 Main Street";      keys Return
    typed "6011";               keys Return
    typed "$3";                 keys Return
    keys Return # in the country list: add
}
add_contact "Cyd Pan" "cyd@example.com" "Wellington"
add_contact "Ann Lee" "ann@example.com" "Auckland"
add_contact "Bob Zed" "bob@example.com" "Nelson"
names_are() { [ "$("$DUMP" "$db" | cut -d'|' -f1 | paste -sd,)" = "$1" ]; }
line_is() { [ "$("$DUMP" "$db" | sed -n "$1p")" = "$2" ]; }
wait_until names_are "Cyd Pan,Ann Lee,Bob Zed" ||
    fail "three contacts not in the file: $("$DUMP" "$db")"
ok "three contacts added through the Enter chain"

# Modify the second: select it in the list, change the city, F7.
click "$win" 60 $((48 + 20 + 10))
click "$win" 300 82
keys F5
for _ in $(seq 9); do keys Return; done # on to the city box
keys ctrl+a
typed "Hamilton"
keys F7
wait_until line_is 2 "Ann Lee|ann@example.com|Hamilton|0" || fail "modify: $("$DUMP" "$db")"
ok "modified in place"

# Delete the first, answering the question with Yes.
click "$win" 60 $((48 + 10))
keys F8
answer "$MAIN" "Delete" Return
wait_until names_are "Ann Lee,Bob Zed" || fail "delete: $("$DUMP" "$db")"
ok "deleted after the question"

# Sort descending (Alt+S, then the second item), then search for "ann" and display it.
focus "$win"
keys alt+s
keys Down Down Return
keys F3
typed "ann"
keys Return
results=$(wait_window "$MAIN" "earch") || fail "no search results"
focus "$results"
keys Return # nothing chosen yet
answer "$MAIN" "Select item!" Return
focus "$results"
click "$results" 60 94 # the first result
keys Return
wait_gone "$MAIN" "earch" || fail "search results stayed open"
focus "$win"
ok "sorted, searched and displayed a result"

# Back up, add a contact, restore: the contact is gone again.
backup=$work/saved.QuenlarkBackup
keys alt+b
keys s
dialog=$(wait_window "$MAIN" "backup") || fail "no backup dialog"
focus "$dialog"
typed "$work/saved"
keys Return
wait_until test -f "$backup" || fail "no backup written"
cmp -s "$backup" "$db" || fail "backup differs from the database"
ok "backup written as an exact copy"

answer "$MAIN" "Backup complete!" Return

focus "$win"
add_contact "Dee Temp" "dee@example.com" "Napier"
count_is() { [ "$("$DUMP" "$db" | wc -l)" = "$1" ]; }
wait_until count_is 3 || fail "contact before restore not added"
keys alt+b
keys r
dialog=$(wait_window "$MAIN" "restore") || fail "no restore dialog"
focus "$dialog"
typed "$backup"
keys Return
answer "$MAIN" "Backup complete." Return
cmp -s "$backup" "$db" || fail "restore did not bring the backup back"
ok "restored from the backup"

# Reports: HTML, then rich text; "Open the report" unticked so nothing else starts.
make_report() { # FILE RICH(0/1)
    focus "$win"
    click "$win" 128 38 # Report
    local dlg
    dlg=$(wait_window "$MAIN" "Report generator") || fail "no report dialog"
    focus "$dlg"
    [ "$2" = 1 ] && click "$dlg" 150 68 # Rich Text report
    click "$dlg" 150 260               # untick "Open the report"
    click "$dlg" 390 354               # Create report
    local save
    save=$(wait_window "$MAIN" "file name of the report") || fail "no save dialog for the report"
    focus "$save"
    typed "$1"
    keys Return
    wait_gone "$MAIN" "Report generator" || fail "report dialog stayed open"
}
make_report "$work/report.html" 0
grep -q "Ann Lee" "$work/report.html" || fail "HTML report without the contacts"
grep -q "Bob Zed" "$work/report.html" || fail "HTML report without the contacts"
make_report "$work/report" 1
[ -f "$work/report.rtf" ] || fail "no rich-text report (with its extension added)"
head -c 5 "$work/report.rtf" | grep -q '{\\rtf' || fail "the rich-text report is no RTF"
grep -q "Ann Lee" "$work/report.rtf" || fail "RTF report without the contacts"
cp "$work/report.html" "$work/report.rtf" "$ARTIFACTS/"
ok "HTML and rich-text reports written"

# A screenshot with a contact shown.
focus "$win"
click "$win" 60 $((48 + 10))
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$win")"
xwd -root -silent | xwdtopnm 2>/dev/null |
    pnmcut -left "$X" -top "$Y" -width "$WIDTH" -height "$HEIGHT" | pnmtopng >"$ARTIFACTS/main-window.png"
ok "screenshot saved"

# --- One copy at a time -----------------------------------------------------------------
start main
SECOND=$APP_PID
answer "$SECOND" "Cannot start program." Return
[ "$(wait_exit "$SECOND")" = 0 ] || fail "the refused copy did not exit with 0"
kill -0 "$MAIN" || fail "the first copy went away"
ok "a second copy is refused and the first keeps running"

# Ctrl+Q ends the program normally; the database holds what was restored.
focus "$win"
keys ctrl+q
[ "$(wait_exit "$MAIN")" = 0 ] || fail "the program did not exit with 0"
[ "$("$DUMP" "$db" | cut -d'|' -f1 | paste -sd,)" = "Ann Lee,Bob Zed" ] ||
    fail "database after exit: $("$DUMP" "$db")"
ok "closed with Ctrl+Q, database as expected"

# --- A killed copy does not block the next start ------------------------------------------
start main
KILLED=$APP_PID
wait_window "$KILLED" "Quenlark Address Book" >/dev/null || fail "restart failed"
kill -9 "$KILLED"
wait "$KILLED" 2>/dev/null || true
while kill -0 "$KILLED" 2>/dev/null; do sleep 0.1; done
start main
AGAIN=$APP_PID
win=$(wait_window "$AGAIN" "Quenlark Address Book") || fail "start after a killed copy blocked"
ok "a killed copy does not block the next start"

# --- A database held by a running copy cannot be opened by another -------------------------
sandbox other "$db"
start other
OTHER=$APP_PID
answer "$OTHER" "Cannot open database!" Escape
[ "$(wait_exit "$OTHER")" = 0 ] || fail "the copy that could not open did not exit with 0"
focus "$win"
keys ctrl+q
[ "$(wait_exit "$AGAIN")" = 0 ] || fail "exit"
ok "a locked database is refused to another copy"

# --- A first start from the build tree ---------------------------------------------------
# No settings yet and nothing beside the program: the person's own database is made under
# XDG_DATA_HOME, as for an installed copy, and nothing is kept in the build tree.
mkdir -p "$work/fresh/run"
chmod 700 "$work/fresh/run"
start fresh
FRESH=$APP_PID
win=$(wait_window "$FRESH" "Quenlark Address Book") || fail "the first start did not open"
focus "$win"
keys ctrl+q
[ "$(wait_exit "$FRESH")" = 0 ] || fail "the first start did not exit with 0"
[ ! -e "$(dirname "$PROG")/addressbook.qab" ] ||
    fail "a database lies beside the program (an older build put it there: move it away)"
own=$work/fresh/data/quenlark/addressbook.qab
[ -s "$own" ] || fail "no database of the person's own at $own"
grep -qF "Active Address Book=\"$own\"" "$work/fresh/config/quenlark/addressbook.ini" ||
    fail "the settings do not name $own"
ok "a first start keeps the database in the person's data folder"

echo "$pass passed, 0 failed"
