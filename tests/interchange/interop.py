#!/usr/bin/env python3
"""Checks the address book's vCard and CSV files against parsers that are not its own:
Evolution's EVCard/EContact (through GObject introspection) and python3-vobject read our
vCards, Python's csv module reads our CSV file; our reader imports vCards that vobject and
EVCard wrote, and our own vCards after a round trip through each of them.

Usage: interop.py INTEROP_TOOL
"""
import csv
import json
import re
import subprocess
import sys
import tempfile
from pathlib import Path

try:
    import vobject
except ImportError:
    sys.exit("python3-vobject is not installed (Debian package python3-vobject)")
try:
    import gi
    gi.require_version("EBookContacts", "1.2")
    from gi.repository import EBookContacts as E
except (ImportError, ValueError):
    sys.exit("EBookContacts is not installed (Debian packages python3-gi and "
             "gir1.2-ebookcontacts-1.2)")

VCARD_30 = getattr(E.VCardFormat, "30")
VCARD_21 = getattr(E.VCardFormat, "21")
KEYS = ("name", "email", "email2", "nickname", "website", "phone", "mobile", "address", "city",
        "zip", "country")
FAILURES = []
CHECKS = [0]


def check(what, got, expected):
    CHECKS[0] += 1
    if got != expected:
        FAILURES.append(f"{what}: got {got!r}, expected {expected!r}")


def as_uri(value):
    """A web site as our vCards write it: the characters some readers take for delimiters,
    and a "%" before what would read as one of those codes, percent-encoded."""
    codes = ("2C", "3B", "5C", "0A", "0D", "25")
    out = ""
    for i, c in enumerate(value):
        if c == "%" and value[i + 1:i + 3].upper() in codes:
            out += "%25"
        else:
            out += {",": "%2C", ";": "%3B", "\\": "%5C", "\n": "%0A", "\r": "%0D"}.get(c, c)
    return out


def in_vcard(want):
    """What a contact's vCard holds: one line break, the web site as a URI."""
    got = {k: re.sub(r"\r\n?", "\n", v) for k, v in want.items()}
    got["website"] = as_uri(want["website"])
    return got


def tel_values(card, kind):
    return [line.value for line in card.contents.get("tel", [])
            if kind in [t.lower() for t in line.params.get("TYPE", [])]]


def check_vobject(path, expected, version):
    cards = list(vobject.readComponents(path.read_text(encoding="utf-8")))
    check(f"vobject {path.name}: number of cards", len(cards), len(expected))
    for i, (card, want) in enumerate(zip(cards, map(in_vcard, expected))):
        where = f"vobject {path.name} card {i + 1}"
        values = lambda name: [line.value for line in card.contents.get(name, [])]
        check(f"{where} VERSION", card.version.value, version)
        check(f"{where} FN", card.fn.value, want["name"])
        check(f"{where} NICKNAME", values("nickname"), [want["nickname"]] if want["nickname"] else [])
        check(f"{where} EMAIL", values("email"), [e for e in (want["email"], want["email2"]) if e])
        check(f"{where} TEL voice", tel_values(card, "voice"), [want["phone"]] if want["phone"] else [])
        check(f"{where} TEL cell", tel_values(card, "cell"), [want["mobile"]] if want["mobile"] else [])
        check(f"{where} URL", values("url"), [want["website"]] if want["website"] else [])
        adrs = values("adr")
        if any(want[k] for k in ("address", "city", "zip", "country")):
            a = adrs[0] if adrs else None
            check(f"{where} ADR", a and (a.street, a.city, a.code, a.country),
                  (want["address"], want["city"], want["zip"], want["country"]))
        else:
            check(f"{where} ADR", adrs, [])


def evcard_contacts(text):
    return [E.Contact.new_from_vcard(card)
            for card in re.findall(r"BEGIN:VCARD.*?END:VCARD\r?\n?", text, re.S)]


def check_evcard(path, expected):
    contacts = evcard_contacts(path.read_text(encoding="utf-8"))
    check(f"EVCard {path.name}: number of cards", len(contacts), len(expected))
    # EVCard drops blanks and tabs at the start of a value ("\ttab" reads as "tab").
    evcard_reads = lambda want: {k: v.lstrip(" \t") for k, v in in_vcard(want).items()}
    for i, (contact, want) in enumerate(zip(contacts, map(evcard_reads, expected))):
        where = f"EVCard {path.name} card {i + 1}"
        prop = lambda name: contact.get_property(name) or ""
        check(f"{where} FN", prop("full-name"), want["name"])
        check(f"{where} NICKNAME", prop("nickname"), want["nickname"])
        check(f"{where} EMAIL", [a.get_value() for a in contact.get_attributes(E.ContactField.EMAIL)],
              [e for e in (want["email"], want["email2"]) if e])
        tels = {}
        for a in contact.get_attributes(E.ContactField.TEL):
            for t in a.get_param("TYPE") or []:
                tels.setdefault(t.lower(), []).append(a.get_value())
        check(f"{where} TEL voice", tels.get("voice", []), [want["phone"]] if want["phone"] else [])
        check(f"{where} TEL cell", tels.get("cell", []), [want["mobile"]] if want["mobile"] else [])
        check(f"{where} URL", prop("homepage-url"), want["website"])
        adrs = [a.get_values() for a in contact.get_attributes(E.ContactField.ADDRESS)]
        if any(want[k] for k in ("address", "city", "zip", "country")):
            check(f"{where} ADR", adrs and (adrs[0][2], adrs[0][3], adrs[0][5], adrs[0][6]),
                  (want["address"], want["city"], want["zip"], want["country"]))
        else:
            check(f"{where} ADR", adrs, [])


def guarded(value):
    """What a cell holds for a value, after our formula guard: phone numbers and e-mail
    addresses go as they are."""
    leads = ("=", "+", "-", "@", "\t", "\r")
    phone = re.fullmatch(r"[0-9 +\-()./]*[0-9][0-9 +\-()./]*", value)
    email = re.fullmatch(r"[^=][A-Za-z0-9._%+-]*@[A-Za-z0-9-]+(\.[A-Za-z0-9-]+)+", value) and \
        re.fullmatch(r"[A-Za-z0-9._%+-]+@.*", value)
    if value[:1] in leads and not phone and not email:
        return "'" + value
    if value[:1] == "'" and value[1:2] in leads + ("'",):
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


def import_file(tool, path):
    out = subprocess.run([tool, "import", str(path)], check=True, capture_output=True,
                         text=True, encoding="utf-8").stdout
    return json.loads(out)


def check_import(tool, path, expected, what):
    """Our reader imports `path`; each contact must read as `expected` (dicts of KEYS, with
    "leftOut" for what is not stored)."""
    result = import_file(tool, path)
    check(f"{what}: error", result["error"], "")
    check(f"{what}: count", len(result["contacts"]), len(expected))
    for i, (got, want) in enumerate(zip(result["contacts"], expected)):
        check(f"{what} contact {i + 1} storable", (got["storable"], got["problem"]), (True, ""))
        for key, value in want.items():
            check(f"{what} contact {i + 1} {key}", got[key], value)


def vobject_cards():
    """vCards written by vobject, and what each must import as."""
    cards = []
    card = vobject.vCard()
    card.add("fn").value = "Zoë Ñúñez, \"Z\"; \\ " + "€" * 40
    card.add("n").value = vobject.vcard.Name(family="Ñúñez", given="Zoë")
    card.add("nickname").value = "Zo; Zozo"
    for address in ("zoe@example.com", "zoe@work.example"):
        e = card.add("email")
        e.value = address
        e.type_param = "INTERNET"
    for number, kind in (("+34 91 555", "HOME"), ("+34 600 555", "CELL")):
        t = card.add("tel")
        t.value = number
        t.type_param = kind
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


def evcard_files(directory):
    """vCards written by EVCard, version 3.0 and 2.1, and what each must import as."""
    zoe = E.Contact.new()
    for name, value in (("full-name", "Zoë Ñúñez, \"Z\"; \\ x"), ("nickname", "Zo; Zozo"),
                        ("email-1", "zoe@example.com"), ("email-2", "zoe@work.example"),
                        ("email-3", "third@example.com"), ("mobile-phone", "+34 600 555"),
                        ("home-phone", "+34 91 555"), ("business-fax", "+34 91 556"),
                        ("homepage-url", "http://zoe.example/?a=1,b=2;c"),
                        ("note", "Met at the fair\nin May")):
        zoe.set_property(name, value)
    home = E.ContactAddress.new()
    home.address_format = home.po = home.ext = ""
    home.street, home.locality, home.region, home.code, home.country = (
        "Calle Mayor 1\nPiso 2", "Madrid", "Madrid", "28013", "España")
    zoe.set_property("address-home", home)
    zoe_expected = {
        "name": "Zoë Ñúñez, \"Z\"; \\ x", "nickname": "Zo; Zozo", "email": "zoe@example.com",
        "email2": "zoe@work.example", "phone": "+34 91 555", "mobile": "+34 600 555",
        "website": "http://zoe.example/?a=1,b=2;c", "address": "Calle Mayor 1\nPiso 2",
        "city": "Madrid", "zip": "28013", "country": "Spain",
        "leftOut": "1 further e-mail address, 1 fax number, 1 region and 1 note"}
    # Version 2.1: a note in quoted-printable UTF-8 without a character set of its own.
    ann = E.Contact.new()
    for name, value in (("full-name", "Ånn Lée"), ("email-1", "ann@example.com"),
                        ("mobile-phone", "+47 900 00 000"), ("note", "Første linje\nandre")):
        ann.set_property(name, value)
    ann_expected = {"name": "Ånn Lée", "email": "ann@example.com", "mobile": "+47 900 00 000",
                    "leftOut": "1 note"}
    v30 = directory / "evcard30.vcf"
    v21 = directory / "evcard21.vcf"
    v30.write_text(zoe.to_string(VCARD_30) + "\r\n" + ann.to_string(VCARD_30) + "\r\n",
                   encoding="utf-8", newline="")
    v21.write_text(ann.to_string(VCARD_21) + "\r\n", encoding="utf-8", newline="")
    return [(v30, [zoe_expected, ann_expected]), (v21, [ann_expected])]


def check_round_trips(tool, directory, expected):
    """Our vCards read and written again by vobject and by EVCard import as they were."""
    # One line break in text; the web site, a URI, keeps its own exactly.
    back = [dict(in_vcard(want), website=want["website"]) for want in expected]
    for name in ("contacts30.vcf", "contacts40.vcf"):
        text = (directory / name).read_text(encoding="utf-8")
        through_vobject = directory / ("vobject-" + name)
        through_vobject.write_text("".join(c.serialize() for c in vobject.readComponents(text)),
                                   encoding="utf-8", newline="")
        through_evcard = directory / ("evcard-" + name)
        through_evcard.write_text("".join(c.to_string(VCARD_30) + "\r\n"
                                          for c in evcard_contacts(text)),
                                  encoding="utf-8", newline="")
        for path in (through_vobject, through_evcard):
            result = import_file(tool, path)
            check(f"{path.name}: error", result["error"], "")
            for i, (got, want) in enumerate(zip(result["contacts"], back)):
                for key in KEYS:
                    check(f"{path.name} contact {i + 1} {key}", got[key], want[key])


def main():
    tool = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="quenlark-interop-") as d:
        directory = Path(d)
        subprocess.run([tool, "export", d], check=True)
        expected = json.loads((directory / "expected.json").read_text(encoding="utf-8"))
        for name, version in (("contacts30.vcf", "3.0"), ("contacts40.vcf", "4.0")):
            check_vobject(directory / name, expected, version)
            check_evcard(directory / name, expected)
        check_csv(directory / "contacts.csv", expected)
        check_round_trips(tool, directory, expected)
        cards = vobject_cards()
        written = directory / "vobject.vcf"
        written.write_text("".join(card.serialize() for card, _ in cards), encoding="utf-8",
                           newline="")
        check_import(tool, written, [want for _, want in cards], "vobject's vCards")
        for path, wants in evcard_files(directory):
            check_import(tool, path, wants, f"EVCard's {path.name}")
    for failure in FAILURES:
        print(failure)
    print(f"{CHECKS[0] - len(FAILURES)} passed, {len(FAILURES)} failed")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
