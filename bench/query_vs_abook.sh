#!/usr/bin/env bash
# A mail client's address query: `quenlark-addressbook --query` against Debian's
# `abook --mutt-query` on the same contacts in abook's own format, at 10,000 and 100,000
# contacts. The two run in turn, whole processes timed from start to exit, and the ratio is
# taken pair by pair (so a machine's drift moves both); the median of 11 pairs is printed with
# the fastest and slowest, and written, when a second argument names a file, as JSON in the
# form of Google Benchmark's output, so that bench/table.py lists it with the others.
# A ratio of 1 or less means the query is at most as slow as abook's.
# Usage: query_vs_abook.sh BUILD_DIR [JSON_FILE]
set -euo pipefail
build=$(readlink -f "$1")
json=${2:-}
prog=$build/app/quenlark-addressbook
cache=${TMPDIR:-/tmp}/quenlark-bench
command -v abook >/dev/null || { echo "abook is not installed: apt-get install abook"; exit 1; }
mkdir -p "$cache"
results=$(mktemp)
trap 'rm -f "$results"' EXIT

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
    XDG_CONFIG_HOME=$config python3 - "$n" "$prog" "$book" "$results" <<'PY'
import json, statistics, subprocess, sys, time
n, prog, book, results = sys.argv[1:5]
ours = [prog, "--query", "smith 12"]
theirs = ["abook", "--datafile", book, "--mutt-query", "smith 12"]
def seconds(command):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start
seconds(ours), seconds(theirs)  # warm the page cache
pairs = [(seconds(ours), seconds(theirs)) for _ in range(11)]
times = [p[0] * 1000 for p in pairs]
ratios = [p[0] / p[1] for p in pairs]
a, b, ratio = statistics.median(times), statistics.median(p[1] * 1000 for p in pairs), statistics.median(ratios)
print(f"query/{n}: quenlark {a:.1f} ms ({min(times):.1f}-{max(times):.1f}), abook {b:.1f} ms, "
      f"x_abook {ratio:.2f} ({min(ratios):.2f}-{max(ratios):.2f})")
with open(results, "a") as out:
    out.write(json.dumps({"name": f"BM_Query/{n}", "real_time": a, "time_unit": "ms",
        "ms": a, "ms_min": min(times), "ms_max": max(times),
        "spread_pct": (max(times) - min(times)) / a * 100, "yard_ms": b,
        "x_abook": ratio, "x_min": min(ratios), "x_max": max(ratios),
        "x_spread_pct": (max(ratios) - min(ratios)) / ratio * 100}) + "\n")
PY
done
if [ -n "$json" ]; then
    python3 -c 'import json, sys; print(json.dumps({"benchmarks": [json.loads(l) for l in open(sys.argv[1])]}, indent=1))' \
        "$results" >"$json"
fi
