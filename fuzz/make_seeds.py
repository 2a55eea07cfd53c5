#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/<target>/ from the bundle's
resources, the test scenarios and a few hand-made cases; the binary property
lists are made with plistlib. Run from anywhere; rerun after a resource or
scenario changes, and commit the result."""
import datetime
import pathlib
import plistlib
import re
import shutil
import struct

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"


def put(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data if isinstance(data, bytes) else data.encode())


def scenario_bodies(marker_command):
    """The <<END bodies of the scenarios' commands of this name."""
    for scn in sorted((ROOT / "tests" / "scenarios").glob("*.scn")):
        lines = scn.read_text().split("\n")
        for i, line in enumerate(lines):
            m = re.match(r"\s*" + marker_command + r"\b.*<<(\S+)\s*$", line)
            if not m:
                continue
            body = []
            for following in lines[i + 1:]:
                if following == m.group(1):
                    break
                body.append(following)
            yield scn.stem, i + 1, "\n".join(body) + "\n"


def plists():
    """(name, XML bytes) of every property list the tree ships or tests with."""
    for path in ("Info.plist", "com.talvik.korvane.plist", "main.nib"):
        yield "resource-" + path.replace(".", "-"), (ROOT / "resources" / path).read_bytes()
    for stem, line, body in scenario_bodies("prefs"):
        yield "%s-%d" % (stem, line), body.encode()


def binary(xml):
    try:
        return plistlib.dumps(plistlib.loads(xml), fmt=plistlib.FMT_BINARY)
    except Exception:
        return None


def preference_seeds():
    binding = {
        "Global Menus": [{"Position": 0, "Drags": False, "Items": [],
                          "Hot Key": bytes.fromhex("0000000000000100")}],
        "Key Bindings": [
            {"Hot Key": bytes.fromhex("0000007a00000100"), "URL": "/tmp"},
            {"Hot Key": bytes.fromhex("0000000100000900"), "URL": "/nonexistent/item",
             "Alias": alias_record(0, "/nonexistent/item", "/", "/", "item")},
            {"Hot Key": bytes.fromhex("00000001"), "URL": 5},
            "not a dictionary",
        ],
        "No Fullscreen Disable": True,
    }
    odd = {
        "Global Menus": [
            {"Position": 12, "Drags": True, "Items": [{"Type": "cusr"}]},
            {"Position": "4", "Drags": True, "Items": []},
            {"Position": 3, "Drags": 1, "Items": []},
            {"Position": 5, "Offset": -40, "Screen": 2, "Drags": False, "Items": [],
             "Square Size": 30000, "Alpha": 0.0, "Color": b"\xff\xff\x00\x00\x80\x00",
             "Font": 3, "Size": 12, "Icon Size": 16, "Modifiers": 256, "Button": 1},
            7,
        ],
        "Key Bindings": "not an array",
    }
    yield "bindings", plistlib.dumps(binding)
    yield "odd-definitions", plistlib.dumps(odd)
    yield "empty-dict", plistlib.dumps({})
    yield "not-a-dict", plistlib.dumps(["Global Menus"])
    yield "empty-file", b""


def plist_only_seeds():
    """Values of every kind, and the corners the readers must keep."""
    every_kind = {
        "string": "text ä 日本 \U0001F600",
        "data": bytes(range(16)),
        "integer": -5,
        "large": 2**63 - 1,
        "real": 0.1,
        "whole real": 3.0,
        "true": True,
        "false": False,
        "date": datetime.datetime(2001, 1, 1, 0, 0, 1),
        "old date": datetime.datetime(1900, 6, 1, 12, 0, 0),
        "late date": datetime.datetime(2100, 1, 1),
        "array": [1, [2, [3, {"deep": []}]]],
        "empty": {},
    }
    yield "every-kind", plistlib.dumps(every_kind)
    yield "tab-in-string", plistlib.dumps({"k": "a\tb\r\nc"})
    # Binary only: a control character, an unsigned integer beyond the signed
    # range, a date with a fraction, a keyed-archive UID.
    yield "bin-control-char", plistlib.dumps({"k": "bell\x07"}, fmt=plistlib.FMT_BINARY)
    yield "bin-unsigned", plistlib.dumps({"big": 2**64 - 1}, fmt=plistlib.FMT_BINARY)
    yield "bin-fraction-date", plistlib.dumps(
        [datetime.datetime(2020, 2, 29, 23, 59, 59, 500000)], fmt=plistlib.FMT_BINARY)
    yield "bin-uid", plistlib.dumps({"$top": plistlib.UID(3)}, fmt=plistlib.FMT_BINARY)
    yield "xml-numbers", (b'<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0">'
                          b"<array><integer>12</integer><real>-1.5e3</real>"
                          b"<integer>-9223372036854775808</integer><real>nan</real>"
                          b"<data>AAEC</data><date>1999-12-31T23:59:59Z</date></array></plist>\n")


def alias_record(inode, path, mount_point, volume_name, name):
    """A record in the layout src/platform/Aliases.cc writes (version 1)."""
    out = b"KvAl" + struct.pack(">HHQ", 1, 0, inode)
    for s in (path, mount_point, volume_name, name):
        b = s.encode()
        out += struct.pack(">I", len(b)) + b
    return out


def alias_seeds():
    sandbox = "/tmp/korvane-fuzz-aliases"
    yield "root", alias_record(0, "/", "/", "/", "/")
    yield "tmp", alias_record(0, "/tmp", "/", "/", "tmp")
    yield "missing", alias_record(1, "/nonexistent/item", "/", "/", "item")
    yield "notes", alias_record(0, sandbox + "/Home/Documents/notes.txt", "/", "/", "notes.txt")
    yield "moved", alias_record(12345, sandbox + "/Home/Documents/old-notes.txt", "/", "/",
                                "old-notes.txt")
    yield "link", alias_record(0, sandbox + "/Home/link", "/", "/", "link")
    yield "stick", alias_record(0, sandbox + "/Volumes/Stick/file.txt",
                                sandbox + "/Volumes/Stick", "Stick", "file.txt")
    yield "stick-moved", alias_record(0, "/media/old/Stick/file.txt", "/media/old/Stick",
                                      "Stick", "file.txt")
    yield "gone", alias_record(0, sandbox + "/Volumes/Gone/thing.txt",
                               sandbox + "/Volumes/Gone", "Gone", "thing.txt")
    yield "short", alias_record(0, "/", "/", "/", "/")[:20]
    yield "relative", alias_record(0, "relative/path", "/", "/", "path")


def strings_seeds():
    localizable = (ROOT / "resources" / "English.lproj" / "Localizable.strings").read_bytes()
    yield "localizable", localizable
    text = localizable.decode()
    yield "localizable-utf16le", b"\xff\xfe" + text.encode("utf-16-le")
    yield "localizable-utf16be", b"\xfe\xff" + text.encode("utf-16-be")
    yield "localizable-bom", b"\xef\xbb\xbf" + localizable
    yield "escapes", ('// a comment\n"tab\\t" = "line\\nfeed \\"quoted\\" \\\\ \\U00e4\\u263A";\n'
                      "unquoted.word-1 = 'single';\n\"only key\";\n"
                      '"broken = "entry;\n"after" = "resync";\n/* unclosed').encode()
    yield "as-plist", plistlib.dumps({"Empty Folder": "Leerer Ordner", "n": 1})
    yield "as-binary-plist", plistlib.dumps({"Unavailable": "Nicht verfügbar"},
                                            fmt=plistlib.FMT_BINARY)


def main():
    if CORPUS.exists():
        shutil.rmtree(CORPUS)
    for name, xml in plists():
        put("plist", name + ".xml", xml)
        put("preferences", name + ".xml", xml)
        b = binary(xml)
        if b is not None:
            put("plist", name + ".bin", b)
            put("preferences", name + ".bin", b)
    for name, data in preference_seeds():
        put("preferences", name, data)
        put("plist", "prefs-" + name, data)
    put("preferences", "bindings.bin",
        plistlib.dumps(plistlib.loads((CORPUS / "preferences" / "bindings").read_bytes()),
                       fmt=plistlib.FMT_BINARY))
    for name, data in plist_only_seeds():
        put("plist", name, data)
    for name, data in alias_seeds():
        put("alias_record", name, data)
    for name, data in strings_seeds():
        put("strings", name, data)
    put("hidden_names", "listing", "notes.txt\nPrivate\n")
    put("hidden_names", "bad-input", "plain\nloop1\nPLAIN\nloop2")
    put("hidden_names", "odd", "\n\nwith space\nnul\0inside\ntrailing\r\n\xc3\xa4\nno end")
    for scn in sorted((ROOT / "tests" / "scenarios").glob("*.scn")):
        put("scenario", scn.name, scn.read_bytes())
    put("scenario", "demo.scn", (ROOT / "demo" / "demo.scn").read_bytes())
    put("scenario", "quoting.scn",
        'file "~/with space.txt" "a \\"b\\" \\\\ c\\n"\n# comment\n  prefs <<EOF\nbody\nEOF\n'
        'expect "unterminated\n')


if __name__ == "__main__":
    main()
