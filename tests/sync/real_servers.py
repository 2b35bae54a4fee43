#!/usr/bin/env python3
"""`quenlark-addressbook --sync` against real CardDAV servers that the test starts on loopback
ports chosen free at run time (Debian's radicale, with plain htpasswd authentication, and
xandikos), and nothing else: both directions, an edit and a deletion on each side, a conflict,
contacts the book cannot store, a phone's vCard edited in the book and compared property by
property on the server, an emptied book refused without --yes, a restored older book, and a
large sync killed at random moments then finished by one more sync without doubles.

Usage: real_servers.py PROGRAM
Knobs: QUENLARK_SYNC_KILL_SEED, QUENLARK_SYNC_KILL_CONTACTS (default 150 on each side),
QUENLARK_SYNC_KILLS (default 3).
"""
import collections
import http.client
import os
import random
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

PROGRAM = os.path.abspath(sys.argv[1])
SLOTS = [(0, 255), (255, 255), (510, 255), (765, 255), (1020, 300), (1320, 255), (1575, 255),
         (1830, 255), (2085, 255), (2340, 100)]
FIELDS = ["name", "email", "email2", "nickname", "web", "phone", "mobile", "address", "city",
          "zip"]
HEADER = b"Quenlark Address Book".ljust(32, b"\0") + struct.pack("<i", 2)
RECORD = 2444
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


# ---- The book ----------------------------------------------------------------------------

def write_book(path, contacts):
    """A new file over the book, as a copied backup leaves it."""
    data = bytearray(HEADER)
    for c in contacts:
        rec = bytearray(RECORD)
        for (offset, width), field in zip(SLOTS, FIELDS):
            value = c.get(field, "").encode("cp1252")[:width - 1]
            rec[offset:offset + len(value)] = value
        rec[2440:2444] = struct.pack("<i", c.get("country", 0))
        data += rec
    with open(path + ".new", "wb") as f:
        f.write(data)
    os.replace(path + ".new", path)


def read_book(path):
    data = open(path, "rb").read()
    contacts = []
    for at in range(36, len(data) - RECORD + 1, RECORD):
        rec = data[at:at + RECORD]
        c = {}
        for (offset, width), field in zip(SLOTS, FIELDS):
            value = rec[offset:offset + width].split(b"\0", 1)[0].decode("cp1252")
            if value:
                c[field] = value
        contacts.append(c)
    return contacts


def names(contacts):
    return sorted(c.get("name", "") for c in contacts)


# ---- vCards ------------------------------------------------------------------------------

def card(name, email="", phone="", city="", rev="20200101T000000Z", uid=None, extra=""):
    lines = ["BEGIN:VCARD", "VERSION:3.0", "UID:" + (uid or name.replace(" ", "-")),
             "FN:" + name, "N:;%s;;;" % name]
    if email:
        lines.append("EMAIL;TYPE=INTERNET:" + email)
    if phone:
        lines.append("TEL;TYPE=VOICE:" + phone)
    if city:
        lines.append("ADR:;;;%s;;;" % city)
    lines += [l for l in extra.split("\r\n") if l] + ["REV:" + rev, "END:VCARD"]
    return "\r\n".join(lines) + "\r\n"


def unfold(vcard):
    return vcard.replace("\r\n ", "").replace("\n ", "").replace("\r\n", "\n").splitlines()


def value(vcard, name):
    for line in unfold(vcard):
        head, _, val = line.partition(":")
        if head.split(";")[0].split(".")[-1].upper() == name:
            return val
    return None


# ---- Servers -----------------------------------------------------------------------------

def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Server:
    def __init__(self, kind, work):
        self.kind, self.user, self.password = kind, "ann", "secret-1"
        self.port = free_port()
        root = os.path.join(work, kind)
        os.makedirs(root)
        log = open(os.path.join(work, kind + ".log"), "w")
        if kind == "radicale":
            with open(os.path.join(root, "users"), "w") as f:
                f.write("%s:%s\n" % (self.user, self.password))
            with open(os.path.join(root, "config"), "w") as f:
                f.write("[server]\nhosts = 127.0.0.1:%d\n[auth]\ntype = htpasswd\n"
                        "htpasswd_filename = %s/users\nhtpasswd_encryption = plain\n"
                        "[storage]\nfilesystem_folder = %s/storage\n" % (self.port, root, root))
            self.process = subprocess.Popen(["radicale", "--config", root + "/config"],
                                            stdout=log, stderr=log)
            self.path = "/%s/contacts/" % self.user
        else:
            self.process = subprocess.Popen(
                ["xandikos", "--defaults", "-d", root, "-l", "127.0.0.1", "-p", str(self.port)],
                stdout=log, stderr=log)
            self.path = "/user/contacts/addressbook/"
        self.url = "http://127.0.0.1:%d%s" % (self.port, self.path)
        for _ in range(100):
            try:
                if self.request("PROPFIND", "/", headers={"Depth": "0"})[0] < 500:
                    break
            except OSError:
                time.sleep(0.1)
        if kind == "radicale":
            body = ('<?xml version="1.0"?><mkcol xmlns="DAV:" '
                    'xmlns:C="urn:ietf:params:xml:ns:carddav"><set><prop><resourcetype>'
                    '<collection/><C:addressbook/></resourcetype></prop></set></mkcol>')
            status = self.request("MKCOL", self.path, body)[0]
            assert status in (201, 405), status

    def request(self, method, path, body=None, headers=None):
        import base64
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        auth = base64.b64encode(("%s:%s" % (self.user, self.password)).encode()).decode()
        h = {"Authorization": "Basic " + auth}
        h.update(headers or {})
        if body is not None and "Content-Type" not in h:
            h["Content-Type"] = "text/vcard; charset=utf-8"
        conn.request(method, path, body.encode() if isinstance(body, str) else body, h)
        response = conn.getresponse()
        data = response.read()
        conn.close()
        return response.status, dict(response.getheaders()), data

    def hrefs(self):
        status, _, body = self.request("PROPFIND", self.path, '<?xml version="1.0"?><propfind '
                                       'xmlns="DAV:"><prop><getetag/></prop></propfind>',
                                       {"Depth": "1", "Content-Type": "application/xml"})
        assert status == 207, (status, body)
        out = []
        for response in ET.fromstring(body).iter("{DAV:}response"):
            href = response.find("{DAV:}href").text
            if href.rstrip("/") != self.path.rstrip("/") and not href.endswith("/"):
                out.append(href)
        return out

    def cards(self):
        return {h: self.request("GET", h)[2].decode() for h in self.hrefs()}

    def put(self, name, vcard):
        status = self.request("PUT", self.path + name, vcard)[0]
        assert status in (201, 204), status
        return self.path + name

    def delete(self, href):
        assert self.request("DELETE", href)[0] in (200, 204)

    def clear(self):
        for h in self.hrefs():
            self.delete(h)

    def href_of(self, name):
        for h, c in self.cards().items():
            if value(c, "FN") == name:
                return h
        return None

    def stop(self):
        self.process.terminate()
        self.process.wait()


# ---- The program ---------------------------------------------------------------------------

class Book:
    """A book, its settings and its sync state in a folder of their own, set up for a server."""

    def __init__(self, work, server, contacts=()):
        self.dir = tempfile.mkdtemp(dir=work)
        self.path = os.path.join(self.dir, "addressbook.qab")
        self.env = dict(os.environ, XDG_CONFIG_HOME=self.dir + "/config",
                        XDG_DATA_HOME=self.dir + "/data", QUENLARK_SYNC_PASSWORD=server.password)
        os.makedirs(self.dir + "/config/quenlark")
        with open(self.dir + "/config/quenlark/addressbook.ini", "w") as f:
            f.write('Active Address Book="%s"\n' % self.path)
        write_book(self.path, list(contacts))
        code, out = self.run("--sync-setup", server.url, "--user", server.user)
        assert code == 0, out

    def run(self, *args, wait=True):
        p = subprocess.Popen([PROGRAM, *args], env=self.env, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        if not wait:
            return p
        out = p.communicate(timeout=300)[0].decode("utf-8", "replace")
        return p.returncode, out

    def sync(self, *extra):
        return self.run("--sync", *extra)

    def contacts(self):
        return read_book(self.path)

    def by_name(self, name):
        return next((c for c in self.contacts() if c.get("name") == name), None)

    def set(self, name, **fields):
        contacts = self.contacts()
        for c in contacts:
            if c.get("name") == name:
                c.update(fields)
        write_book(self.path, contacts)


def person(i, prefix="P"):
    return {"name": "%s%d" % (prefix, i), "email": "%s%d@example.com" % (prefix.lower(), i),
            "phone": str(100 + i)}


def in_step(server, book, what):
    on_server = sorted(value(c, "FN") or "" for c in server.cards().values()
                       if "\u263a" not in c and "LLLLL" not in c)
    check(on_server == names(book.contacts()), what + ": book and server hold the same contacts")
    check(len(set(on_server)) == len(on_server), what + ": nothing doubled")


# ---- The cases ------------------------------------------------------------------------------

def first_sync_edits_deletes_and_a_conflict(server, work):
    server.put("s0.vcf", card("S0", "s0@example.com", "500"))
    server.put("both.vcf", card("P0", "p0@example.com", "100"))  # the same contact on both sides
    book = Book(work, server, [person(i) for i in range(5)])
    code, out = book.sync()
    check(code == 0 and "Received: 1 new" in out and "Sent: 4 new" in out, "first sync: " + out)
    in_step(server, book, "first sync")
    code, out = book.sync()
    check(code == 0 and "Received: 0 new, 0 changed, 0 deleted here." in out,
          "nothing to do: " + out)
    # An edit and a deletion on each side, and the same field on both (the server's newer).
    book.set("P1", phone="edited here")
    book.set("P3", phone="book's value")
    contacts = [c for c in book.contacts() if c["name"] != "P2"]
    write_book(book.path, contacts)
    server.put(server.href_of("S0").rsplit("/", 1)[1], card("S0", "s0@example.com", "edited there"))
    p3 = server.href_of("P3")
    server.request("PUT", p3, card("P3", "p3@example.com", "server's value", rev="20990101T000000Z",
                                   uid=value(server.cards()[p3], "UID")))
    server.delete(server.href_of("P4"))
    code, out = book.sync()
    check(code == 0, "edits: " + out)
    in_step(server, book, "edits")
    check("edited here" in server.cards()[server.href_of("P1")], "P1's edit reached the server")
    check(book.by_name("S0")["phone"] == "edited there", "S0's edit reached the book")
    check(book.by_name("P3")["phone"] == "server's value", "the server's newer value won")
    check("the phone number \"book's value\" from the address book lost" in out,
          "the losing value is named: " + out)
    check(names(book.contacts()) == ["P0", "P1", "P3", "S0"], "deletions: %s" % book.contacts())


def what_the_book_cannot_store(server, work):
    book = Book(work, server, [person(0)])
    smiley = server.put("smiley.vcf", card("Smiley \u263a", "smile@example.com"))
    long_name = server.put("long.vcf", card("L" * 300))
    before = server.cards()
    for _ in range(2):
        code, out = book.sync()
        check(code == 0 and "2 contacts stay on the server only:" in out, "unstorable: " + out)
        check(names(book.contacts()) == ["P0"], "nothing cut or altered reaches the book")
        after = server.cards()
        check(after[smiley] == before[smiley] and after[long_name] == before[long_name],
              "the server keeps them untouched")


PHONE_CARD = ("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:phone-1\r\nFN:Dana Phone\r\nN:Phone;Dana;;;\r\n"
              "EMAIL;TYPE=WORK:dana@work.example\r\nEMAIL;TYPE=HOME:dana@home.example\r\n"
              "EMAIL:dana@third.example\r\nTEL;TYPE=CELL:+1 555 0100\r\n"
              "TEL;TYPE=FAX:+1 555 0102\r\nBDAY:1980-02-29\r\nNOTE:Likes tea\\nand cake\r\n"
              "CATEGORIES:Friends,Family\r\nORG:Acme\r\n"
              "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAMCAgICAgMCAgIDAwMD\r\n"
              " BAYEBAQEBAgGBgUGCQgKCgkICQkKDA8MCgsOCwkJDRENDg8QEBEQ\r\n"
              "X-PHONE-LABEL:mine\r\nREV:20200101T000000Z\r\nEND:VCARD\r\n")


def phone_vcard_round_trip(server, work):
    href = server.put("dana.vcf", PHONE_CARD)
    book = Book(work, server)
    code, out = book.sync()
    check(code == 0 and book.by_name("Dana Phone") is not None, "the phone's card arrives: " + out)
    book.set("Dana Phone", mobile="+1 555 0199", email2="dana@new-home.example")
    code, out = book.sync()
    check(code == 0 and "Sent: 0 new, 1 changed" in out, "the edit is sent: " + out)
    sent = collections.Counter(unfold(server.cards()[href]))
    original = collections.Counter(unfold(PHONE_CARD))
    gone = original - sent
    added = sent - original
    check(set(gone) == {"TEL;TYPE=CELL:+1 555 0100", "EMAIL;TYPE=HOME:dana@home.example",
                        "REV:20200101T000000Z"}, "only the edited properties changed: %s" % gone)
    check({l.split(":")[0] for l in added} == {"TEL;TYPE=CELL", "EMAIL;TYPE=HOME", "REV"}
          and "TEL;TYPE=CELL:+1 555 0199" in added
          and "EMAIL;TYPE=HOME:dana@new-home.example" in added, "the new values: %s" % added)


def emptied_book(server, work):
    book = Book(work, server, [person(i) for i in range(6)])
    check(book.sync()[0] == 0, "set-up")
    write_book(book.path, [])
    code, out = book.sync()
    check(code == 1 and "--yes" in out and len(server.hrefs()) == 6,
          "an emptied book is refused: " + out)
    code, out = book.sync("--yes")
    check(code == 0 and not server.hrefs(), "--yes lets it go on: " + out)


def restored_older_book(server, work):
    book = Book(work, server, [person(i) for i in range(6)])
    check(book.sync()[0] == 0, "set-up")
    backup = book.contacts()
    server.delete(server.href_of("P0"))
    write_book(book.path, [c for c in book.contacts() if c["name"] != "P1"])
    server.put("late.vcf", card("Added later"))
    check(book.sync()[0] == 0, "changes")
    write_book(book.path, backup)
    code, out = book.sync()
    check(code == 0, "restored: " + out)
    in_step(server, book, "restored")
    check(names(book.contacts()) == ["Added later", "P2", "P3", "P4", "P5"],
          "nothing deleted comes back, nothing added is lost: %s" % names(book.contacts()))


def killed_large_sync(server, work):
    count = int(os.environ.get("QUENLARK_SYNC_KILL_CONTACTS", "150"))
    kills = int(os.environ.get("QUENLARK_SYNC_KILLS", "3"))
    seed = int(os.environ.get("QUENLARK_SYNC_KILL_SEED", "20261209"))
    rng = random.Random(seed)
    print("kill test: seed %d, %d contacts on each side, %d kills" % (seed, count, kills))
    duration = None
    for k in range(kills + 1):
        server.clear()
        for i in range(count):
            server.put("s%d.vcf" % i, card("S%d" % i, "s%d@example.com" % i))
        book = Book(work, server, [person(i, "B") for i in range(count)])
        started = time.monotonic()
        p = book.run("--sync", wait=False)
        if duration is not None:
            delay = rng.uniform(0, duration * 1.1)
            try:
                p.wait(timeout=delay)
            except subprocess.TimeoutExpired:
                p.send_signal(signal.SIGKILL)
            print("kill %d after %.2f s" % (k, delay))
        p.communicate()
        if duration is None:
            duration = time.monotonic() - started
            print("a whole sync takes %.2f s" % duration)
        code, out = book.sync()
        check(code == 0, "the sync after the kill: " + out)
        code, out = book.sync()
        check("Received: 0 new, 0 changed, 0 deleted here." in out and
              "Sent: 0 new, 0 changed, 0 deleted there." in out, "then nothing to do: " + out)
        check(len(book.contacts()) == 2 * count, "kill %d: %d contacts in the book, %d wanted"
              % (k, len(book.contacts()), 2 * count))
        in_step(server, book, "kill %d" % k)


CASES = [first_sync_edits_deletes_and_a_conflict, what_the_book_cannot_store,
         phone_vcard_round_trip, emptied_book, restored_older_book, killed_large_sync]


def main():
    work = tempfile.mkdtemp(prefix="quenlark-servers-")
    passed = failed = 0
    try:
        for kind in ("radicale", "xandikos"):
            server = Server(kind, work)
            try:
                for case in CASES:
                    server.clear()
                    before = len(failures)
                    case(server, work)
                    ok = len(failures) == before
                    passed, failed = passed + ok, failed + (not ok)
                    print("%s: %s %s" % ("ok" if ok else "FAILED", kind, case.__name__))
            finally:
                server.stop()
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
