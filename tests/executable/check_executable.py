#!/usr/bin/env python3
"""Checks what a built Merotan.exe asks of the system that loads it, read
from the file itself (the 32-bit program cannot be run here):

- every function it imports by name from a system DLL is one that Windows XP
  SP3 exports (the allow-list xp-sp3-imports.txt beside this script);
- its manifest asks for elevation, the common controls of version 6 and
  system DPI awareness;
- with --version X.Y.Z: its version resource carries the German strings
  Explorer shows in the file's properties, with that version.

Usage: check_executable.py PROGRAM.exe [--list] [--version X.Y.Z]
Exit status 0 when the program passes, 1 with the reasons otherwise, 77 when
the program does not exist (a build that was not made). --list prints the
imports as DLL!function lines, the allow-list's format."""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ALLOW_LIST = os.path.join(HERE, "xp-sp3-imports.txt")
RT_MANIFEST = 24
RT_VERSION = 16


class PeFile:
    """The parts of a PE image that the checks need: imports and resources."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        if magic == 0x10B:
            self.pe32plus, directories = False, optional + 96
        elif magic == 0x20B:
            self.pe32plus, directories = True, optional + 112
        else:
            raise ValueError("unknown optional header magic %#x" % magic)
        count = struct.unpack_from("<I", data, directories - 4)[0]
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(count)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, vsize, vaddr, rsize, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((vaddr, max(vsize, rsize), raw, rsize))

    def offset(self, rva):
        for vaddr, size, raw, rsize in self.sections:
            if vaddr <= rva < vaddr + size:
                if rva - vaddr >= rsize:
                    raise ValueError("RVA %#x lies in uninitialised data" % rva)
                return raw + rva - vaddr
        raise ValueError("RVA %#x is in no section" % rva)

    def cstring(self, rva):
        start = self.offset(rva)
        end = self.data.index(b"\0", start)
        return self.data[start:end].decode("ascii")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def _thunks(self, rva):
        """The names (or '#ordinal') of one DLL's import lookup table."""
        size, fmt = (8, "<Q") if self.pe32plus else (4, "<I")
        flag = 1 << (size * 8 - 1)
        names = []
        while True:
            entry = struct.unpack_from(fmt, self.data, self.offset(rva))[0]
            if entry == 0:
                return names
            names.append("#%d" % (entry & 0xFFFF) if entry & flag else self.cstring((entry & 0x7FFFFFFF) + 2))
            rva += size

    def imports(self):
        """(dll, function) for every import, the delay-loaded ones included."""
        found = []
        rva, size = self.directory(1)
        if size:
            at = self.offset(rva)
            while True:
                lookup, _, _, name, first = struct.unpack_from("<IIIII", self.data, at)
                if name == 0:
                    break
                dll = self.cstring(name)
                found += [(dll, f) for f in self._thunks(lookup or first)]
                at += 20
        rva, size = self.directory(13)
        if size:
            at = self.offset(rva)
            while True:
                fields = struct.unpack_from("<8I", self.data, at)
                if fields[1] == 0:
                    break
                dll = self.cstring(fields[1])
                found += [(dll, f) for f in self._thunks(fields[4])]
                at += 32
        return found

    def resources(self, type_id):
        """The data of every resource of one numeric type."""
        rva, size = self.directory(2)
        if not size:
            return []
        base = self.offset(rva)

        def entries(directory):
            named, ids = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                yield name, target

        def leaves(target):
            if target & 0x80000000:
                for _, inner in entries(target & 0x7FFFFFFF):
                    yield from leaves(inner)
            else:
                data_rva, data_size = struct.unpack_from("<II", self.data, base + target)
                start = self.offset(data_rva)
                yield self.data[start:start + data_size]

        return [blob for name, target in entries(0) if name == type_id for blob in leaves(target)]


def version_info(blob):
    """The fixed file version (a, b, c, d) and {(block, name): text} of a
    VS_VERSIONINFO resource, with its blocks as "StringFileInfo/040704B0"."""
    def node(at, path):
        length, value_length, text_type = struct.unpack_from("<HHH", blob, at)
        end = at + length
        key_end = at + 6
        while blob[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = blob[at + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        value_size = value_length * 2 if text_type == 1 else value_length
        value = blob[value_at:value_at + value_size]
        children_at = (value_at + value_size + 3) & ~3
        return key, text_type, value, children_at, end

    key, _, fixed, child, end = node(0, "")
    if key != "VS_VERSION_INFO" or len(fixed) < 52 or struct.unpack_from("<I", fixed, 0)[0] != 0xFEEF04BD:
        raise ValueError("no VS_VERSION_INFO with a fixed file info")
    ms, ls = struct.unpack_from("<II", fixed, 8)
    version = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    strings = {}

    def walk(at, end, path):
        while at < end:
            key, text_type, value, child, node_end = node(at, path)
            if node_end <= at:
                raise ValueError("a version node of no length")
            here = path + "/" + key if path else key
            if text_type == 1 and child >= node_end:
                strings[(path, key)] = value.decode("utf-16-le").rstrip("\0")
            else:
                walk(child, node_end, here)
            at = (node_end + 3) & ~3

    walk(child, end, "")
    return version, strings


# What Explorer shows in the file's properties, in German (0407, UTF-16).
VERSION_STRINGS = {
    "CompanyName": "Tavrine",
    "FileDescription": "Tavrine Startwart XP",
    "ProductName": "Tavrine™ Startwart XP",
    "LegalCopyright": "© 2026 Tavrine",
    "InternalName": "Merotan",
    "OriginalFilename": "Merotan.exe",
}


def version_problems(image, expected):
    blobs = image.resources(RT_VERSION)
    if len(blobs) != 1:
        return ["has %d version resources, not one" % len(blobs)]
    fixed, strings = version_info(blobs[0])
    block = "StringFileInfo/040704B0"
    wanted = dict(VERSION_STRINGS, FileVersion=expected, ProductVersion=expected)
    found = []
    for name, text in wanted.items():
        if strings.get((block, name)) != text:
            found.append("version resource: %s is %r, not %r" % (name, strings.get((block, name)), text))
    numbers = tuple(int(n) for n in expected.split(".")) + (0,) * (4 - len(expected.split(".")))
    if fixed != numbers:
        found.append("version resource: fixed version %s, not %s" % (fixed, numbers))
    return found


def read_allow_list(path=ALLOW_LIST, pe32plus=False):
    """The (dll, function) pairs a program of the given kind may import;
    entries marked "64-bit only" count for 64-bit programs alone."""
    allowed = set()
    with open(path, encoding="utf-8") as f:
        for line in f:
            entry, _, comment = line.partition("#")
            entry = entry.strip()
            if not entry or ("64-bit only" in comment and not pe32plus):
                continue
            dll, _, function = entry.partition("!")
            allowed.add((dll.lower(), function))
    return allowed


# What the manifest must say, each with the reason a reader of the failure needs.
MANIFEST_NEEDS = [
    ('level="requireAdministrator"', "elevation at start on Vista and later"),
    ('uiAccess="false"', "no UI access rights asked for"),
    ('name="Microsoft.Windows.Common-Controls" version="6.0.0.0"', "common controls of version 6"),
    ("<dpiAware>true</dpiAware>", "system DPI awareness"),
]


def problems(image, allowed):
    found = []
    for dll, function in image.imports():
        if (dll.lower(), function) not in allowed:
            found.append("imports %s!%s, which is not on the list of Windows XP SP3 exports (%s)"
                         % (dll, function, os.path.basename(ALLOW_LIST)))
    manifests = image.resources(RT_MANIFEST)
    if len(manifests) != 1:
        found.append("has %d manifests, not one" % len(manifests))
    else:
        text = manifests[0].decode("utf-8")
        for needle, why in MANIFEST_NEEDS:
            if needle not in text:
                found.append("manifest lacks %s (%s)" % (needle, why))
        if "true/pm" in text:
            found.append("manifest asks for per-monitor DPI awareness, which needs WM_DPICHANGED")
    return found


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    path = argv[1]
    if not os.path.exists(path):
        print("%s: not built" % path)
        return 77
    with open(path, "rb") as f:
        image = PeFile(f.read())
    if "--list" in argv:
        for dll, function in sorted(image.imports(), key=lambda i: (i[0].lower(), i[1])):
            print("%s!%s" % (dll, function))
        return 0
    found = problems(image, read_allow_list(pe32plus=image.pe32plus))
    if "--version" in argv:
        found += version_problems(image, argv[argv.index("--version") + 1])
    for line in found:
        print("%s: %s" % (path, line))
    if not found:
        print("%s: %d imports, all on the list of Windows XP SP3 exports; manifest complete%s"
              % (path, len(image.imports()), "; version resource complete" if "--version" in argv else ""))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
