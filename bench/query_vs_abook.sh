#!/usr/bin/env bash
# A mail client's address query: `quenlark-addressbook --query` against Debian's
# `abook --mutt-query` on the same contacts in abook's own format, at 10,000 and 100,000
# contacts. The two run in turn, whole processes timed from start to exit, and the ratio is
# taken pair by pair (so a machine's drift moves both); the median of 11 pairs is printed.
# A ratio of 1 or less means the query is at most as slow as abook's.
# Usage: query_vs_abook.sh BUILD_DIR
set -euo pipefail
build=$(readlink -f "$1")
prog=$build/app/quenlark-addressbook
cache=${TMPDIR:-/tmp}/quenlark-bench
command -v abook >/dev/null || { echo "abook is not installed: apt-get install abook"; exit 1; }
mkdir -p "$cache"

for n in 10000 100000; do
    db=$cache/contacts-$n.qab
    # The engine benchmark writes the cached database of that size the first time.
    [ -f "$db" ] || "$build/bench/quenlark_bench_engine" --benchmark_filter="BM_OpenAndIndex/$n/" \
        >/dev/null
    config=$cache/query-config-$n
    mkdir -p "$config/quenlark"
    printf 'Active Address Book="%s"\n' "$db" >"$config/quenlark/addressbook.ini"
    book=$cache/abook-$n
    if [ ! -s "$book" ]; then
        # The same contacts, written as abook keeps them: name, addresses and nickname.
        XDG_CONFIG_HOME=$config "$prog" --export-vcard - | python3 -c '
import sys
print("[format]\nprogram=abook\nversion=0.6.1\n")
card, emails, count = {}, [], 0
for line in sys.stdin:
    line = line.rstrip("\r\n")
    key, _, value = line.partition(":")
    key = key.split(";")[0]
    if key == "FN": card["name"] = value
    elif key == "NICKNAME": card["nick"] = value
    elif key == "EMAIL": emails.append(value)
    elif key == "END":
        print("[%d]\nname=%s\nemail=%s\nnick=%s\n" % (count, card["name"], ",".join(emails), card.get("nick", "")))
        card, emails, count = {}, [], count + 1
' >"$book.partial"
        mv "$book.partial" "$book"
    fi
    XDG_CONFIG_HOME=$config python3 - "$n" "$prog" "$book" <<'PY'
import statistics, subprocess, sys, time
n, prog, book = sys.argv[1:4]
ours = [prog, "--query", "smith 12"]
theirs = ["abook", "--datafile", book, "--mutt-query", "smith 12"]
def seconds(command):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start
seconds(ours), seconds(theirs)  # warm the page cache
pairs = [(seconds(ours), seconds(theirs)) for _ in range(11)]
a = statistics.median(p[0] for p in pairs)
b = statistics.median(p[1] for p in pairs)
ratio = statistics.median(p[0] / p[1] for p in pairs)
print(f"query/{n}: quenlark {a * 1000:.1f} ms, abook {b * 1000:.1f} ms, x_abook {ratio:.2f}")
PY
done
