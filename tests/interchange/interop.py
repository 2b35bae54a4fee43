#!/usr/bin/env python3
"""Checks the address book's vCard and CSV files against parsers that are not its own:
python3-vobject reads our vCards, Python's csv module reads our CSV file, and our reader
imports vCards that vobject wrote.

Usage: interop.py INTEROP_TOOL
"""
import csv
import json
import subprocess
import sys
import tempfile
from pathlib import Path

try:
    import vobject
except ImportError:
    sys.exit("python3-vobject is not installed (Debian package python3-vobject)")

FAILURES = []
CHECKS = [0]


def check(what, got, expected):
    CHECKS[0] += 1
    if got != expected:
        FAILURES.append(f"{what}: got {got!r}, expected {expected!r}")


def values(card, name):
    return [line.value for line in card.contents.get(name, [])]


def types(line):
    return [t.lower() for t in line.params.get("TYPE", [])]


def check_vcards(path, expected, version):
    cards = list(vobject.readComponents(path.read_text(encoding="utf-8")))
    check(f"{path.name}: number of cards", len(cards), len(expected))
    for i, (card, want) in enumerate(zip(cards, expected)):
        where = f"{path.name} card {i + 1}"
        check(f"{where} VERSION", card.version.value, version)
        check(f"{where} FN", card.fn.value, want["name"])
        n = card.n.value
        check(f"{where} N", " ".join(p for p in (n.given, n.family) if p),
              " ".join(want["name"].split()))
        check(f"{where} NICKNAME", values(card, "nickname"),
              [want["nickname"]] if want["nickname"] else [])
        check(f"{where} EMAIL", values(card, "email"),
              [e for e in (want["email"], want["email2"]) if e])
        tels = {t: [] for t in ("voice", "cell")}
        for line in card.contents.get("tel", []):
            for t in types(line):
                tels.setdefault(t, []).append(line.value)
        check(f"{where} TEL voice", tels["voice"], [want["phone"]] if want["phone"] else [])
        check(f"{where} TEL cell", tels["cell"], [want["mobile"]] if want["mobile"] else [])
        check(f"{where} URL", values(card, "url"), [want["website"]] if want["website"] else [])
        adrs = values(card, "adr")
        if any(want[k] for k in ("address", "city", "zip", "country")):
            check(f"{where} ADR count", len(adrs), 1)
            a = adrs[0]
            check(f"{where} ADR", (a.street, a.city, a.code, a.country),
                  (want["address"], want["city"], want["zip"], want["country"]))
        else:
            check(f"{where} ADR", adrs, [])


def guarded(value):
    """What a cell holds for a value, after our formula guard."""
    if value[:1] in ("=", "+", "-", "@", "\t", "\r") or (
            value[:1] == "'" and value[1:2] in ("=", "+", "-", "@", "\t", "\r", "'")):
        return "'" + value
    return value


def check_csv(path, expected):
    raw = path.read_bytes()
    check("CSV starts with a UTF-8 byte order mark", raw[:3], b"\xef\xbb\xbf")
    with path.open(encoding="utf-8-sig", newline="") as f:
        rows = list(csv.DictReader(f))
    check("CSV rows", len(rows), len(expected))
    columns = {"Name": "name", "Nickname": "nickname", "E-mail 1 - Value": "email",
               "E-mail 2 - Value": "email2", "Phone 1 - Value": "phone",
               "Phone 2 - Value": "mobile", "Address 1 - Street": "address",
               "Address 1 - City": "city", "Address 1 - Postal Code": "zip",
               "Address 1 - Country": "country", "Website 1 - Value": "website"}
    for i, (row, want) in enumerate(zip(rows, expected)):
        for column, key in columns.items():
            check(f"CSV row {i + 1} {column}", row[column], guarded(want[key]))
        check(f"CSV row {i + 1} Phone 2 - Type", row["Phone 2 - Type"],
              "Mobile" if want["mobile"] else "")


def vobject_cards():
    """vCards written by vobject, and what each must import as."""
    cards = []

    card = vobject.vCard()
    card.add("fn").value = "Zoë Ñúñez, \"Z\"; \\ " + "€" * 40
    card.add("n").value = vobject.vcard.Name(family="Ñúñez", given="Zoë")
    card.add("nickname").value = "Zo; Zozo"
    e = card.add("email")
    e.value = "zoe@example.com"
    e.type_param = "INTERNET"
    e = card.add("email")
    e.value = "zoe@work.example"
    e.type_param = "INTERNET"
    t = card.add("tel")
    t.value = "+34 91 555"
    t.type_param = "HOME"
    t = card.add("tel")
    t.value = "+34 600 555"
    t.type_param = "CELL"
    card.add("adr").value = vobject.vcard.Address(street="Calle Mayor 1\nPiso 2", city="Madrid",
                                                  code="28013", country="Spain")
    card.add("url").value = "http://zoe.example/?a=1,b=2"
    cards.append((card, {
        "name": "Zoë Ñúñez, \"Z\"; \\ " + "€" * 40, "email": "zoe@example.com",
        "email2": "zoe@work.example", "nickname": "Zo; Zozo",
        "website": "http://zoe.example/?a=1,b=2", "phone": "+34 91 555",
        "mobile": "+34 600 555", "address": "Calle Mayor 1\nPiso 2", "city": "Madrid",
        "zip": "28013", "country": "Spain"}))

    card = vobject.vCard()
    card.add("fn").value = ""
    card.add("n").value = vobject.vcard.Name(family="Okafor", given="Chidi")
    card.add("adr").value = vobject.vcard.Address(street="", city="Lagos", country="Atlantis")
    cards.append((card, {
        "name": "Chidi Okafor", "email": "", "email2": "", "nickname": "", "website": "",
        "phone": "", "mobile": "", "address": "", "city": "Lagos", "zip": "", "country": ""}))
    return cards


def check_import_of_vobject_cards(tool, directory):
    cards = vobject_cards()
    path = directory / "vobject.vcf"
    path.write_text("".join(card.serialize() for card, _ in cards), encoding="utf-8",
                    newline="")
    out = subprocess.run([tool, "import", str(path)], check=True, capture_output=True,
                         text=True, encoding="utf-8").stdout
    result = json.loads(out)
    check("import of vobject's vCards: error", result["error"], "")
    check("import of vobject's vCards: count", len(result["contacts"]), len(cards))
    for i, (got, (_, want)) in enumerate(zip(result["contacts"], cards)):
        check(f"vobject card {i + 1} storable", got["storable"], True)
        for key, value in want.items():
            check(f"vobject card {i + 1} {key}", got[key], value)


def main():
    tool = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="quenlark-interop-") as d:
        directory = Path(d)
        subprocess.run([tool, "export", d], check=True)
        expected = json.loads((directory / "expected.json").read_text(encoding="utf-8"))
        check_vcards(directory / "contacts30.vcf", expected, "3.0")
        check_vcards(directory / "contacts40.vcf", expected, "4.0")
        check_csv(directory / "contacts.csv", expected)
        check_import_of_vobject_cards(tool, directory)
    for failure in FAILURES:
        print(failure)
    print(f"{CHECKS[0] - len(FAILURES)} passed, {len(FAILURES)} failed")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
