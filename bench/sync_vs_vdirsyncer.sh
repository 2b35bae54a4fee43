#!/usr/bin/env bash
# `quenlark-addressbook --sync` against Debian's vdirsyncer on the same Radicale collection of
# 10,000 contacts, in the same run: the first sync into an empty book (vdirsyncer: into an
# empty folder), and a sync with nothing to do. Whole processes, timed from start to exit;
# peak memory from /usr/bin/time. Radicale listens on a free loopback port and is stopped at
# the end. Targets: first sync <= vdirsyncer's; nothing to do < 0.5 s and <= a fifth of
# vdirsyncer's; peak memory < 100 MiB.
# Usage: sync_vs_vdirsyncer.sh BUILD_DIR [CONTACTS]
set -euo pipefail
build=$(readlink -f "$1")
count=${2:-10000}
prog=$build/app/quenlark-addressbook
for tool in radicale vdirsyncer; do
    command -v $tool >/dev/null || { echo "$tool is not installed: apt-get install $tool"; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/quenlark-syncbench-XXXXXX")
radicale_pid=
cleanup() {
    [ -n "$radicale_pid" ] && kill "$radicale_pid" 2>/dev/null && wait "$radicale_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

user=bench
password=bench-password
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
url=http://127.0.0.1:$port/$user/contacts/

# The collection, written straight into Radicale's storage: one vCard per file.
collection=$work/storage/collection-root/$user/contacts
mkdir -p "$collection"
printf '{"D:displayname": "Contacts", "tag": "VADDRESSBOOK"}' >"$collection/.Radicale.props"
python3 - "$collection" "$count" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    with open(os.path.join(folder, f"{i:05d}.vcf"), "w", newline="") as f:
        f.write("BEGIN:VCARD\r\nVERSION:3.0\r\n"
                f"UID:bench-{i}\r\nFN:Person {i}\r\nN:{i};Person;;;\r\n"
                f"EMAIL;TYPE=INTERNET:person{i}@example.com\r\nTEL;TYPE=CELL:+1 555 {i:05d}\r\n"
                f"ADR:;;{i} Main Street;Springfield;;12345;USA\r\n"
                "NOTE:A note the book has no field for\r\nREV:20200101T000000Z\r\nEND:VCARD\r\n")
PY
printf '%s:%s\n' "$user" "$password" >"$work/users"
cat >"$work/radicale.conf" <<EOF
[server]
hosts = 127.0.0.1:$port
[auth]
type = htpasswd
htpasswd_filename = $work/users
htpasswd_encryption = plain
[storage]
filesystem_folder = $work/storage
[logging]
level = warning
EOF
radicale --config "$work/radicale.conf" >"$work/radicale.log" 2>&1 &
radicale_pid=$!
for _ in $(seq 100); do
    curl -s -o /dev/null -u "$user:$password" -X PROPFIND -H 'Depth: 0' "$url" && break
    sleep 0.1
done
# Radicale reads and caches the 10,000 files at the first full listing: done before timing.
curl -s -o /dev/null -u "$user:$password" -X PROPFIND -H 'Depth: 1' "$url"

# vdirsyncer: the collection into an empty folder of vCards.
mkdir -p "$work/vdir" "$work/vdirsyncer-status"
cat >"$work/vdirsyncer.conf" <<EOF
[general]
status_path = "$work/vdirsyncer-status/"
[pair contacts]
a = "remote"
b = "local"
collections = null
conflict_resolution = "a wins"
[storage remote]
type = "carddav"
url = "$url"
username = "$user"
password = "$password"
[storage local]
type = "filesystem"
path = "$work/vdir/"
fileext = ".vcf"
EOF
export VDIRSYNCER_CONFIG=$work/vdirsyncer.conf
vdirsyncer discover contacts </dev/null >/dev/null 2>&1

# Quenlark: an empty book of its own, set up for the same collection.
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data QUENLARK_SYNC_PASSWORD=$password
mkdir -p "$XDG_CONFIG_HOME/quenlark"
: >"$work/book.qab"
printf 'Active Address Book="%s"\n' "$work/book.qab" >"$XDG_CONFIG_HOME/quenlark/addressbook.ini"
"$prog" --sync-setup "$url" --user "$user" >/dev/null

# Runs a command, prints "seconds peak-KiB".
measure() {
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" >"$work/out" 2>&1 || {
        cat "$work/out"
        exit 1
    }
    cat "$work/time"
}
read -r v_first v_first_kib < <(measure vdirsyncer sync)
read -r q_first q_first_kib < <(measure "$prog" --sync)
read -r v_idle v_idle_kib < <(measure vdirsyncer sync)
read -r q_idle q_idle_kib < <(measure "$prog" --sync)
[ "$(ls "$work/vdir" | wc -l)" -eq "$count" ] || { echo "vdirsyncer did not fetch every contact"; exit 1; }

python3 - "$count" "$v_first" "$q_first" "$q_first_kib" "$v_idle" "$q_idle" "$q_idle_kib" \
    "$v_first_kib" <<'PY'
import sys
n = sys.argv[1]
vf, qf, qfk, vi, qi, qik, vfk = map(float, sys.argv[2:9])
print(f"sync/first/{n}: quenlark {qf:.2f} s ({qfk / 1024:.0f} MiB), vdirsyncer {vf:.2f} s "
      f"({vfk / 1024:.0f} MiB), x_vdirsyncer {qf / vf:.2f} (target <= 1)")
print(f"sync/nothing-to-do/{n}: quenlark {qi:.2f} s ({qik / 1024:.0f} MiB), vdirsyncer {vi:.2f} s, "
      f"x_vdirsyncer {qi / vi:.2f} (target < 0.5 s and <= 0.2)")
PY
