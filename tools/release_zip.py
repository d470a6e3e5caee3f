#!/usr/bin/env python3
"""Packs the release zip in one fixed form: the entries in a fixed order,
each with the time of the commit (the zip's two-second DOS time), the same
attributes and the same compression, so that the same programs and texts
give the same bytes. The Liesmich is stored as Windows users' editors expect
it: UTF-8 with a byte order mark and CR LF line ends."""
import argparse
import hashlib
import os
import sys
import time
import zipfile

BOM = b"\xef\xbb\xbf"


def windows_text(path):
    """The file's text as UTF-8 with a byte order mark and CR LF."""
    with open(path, "rb") as f:
        data = f.read()
    if data.startswith(BOM):
        data = data[len(BOM):]
    data.decode("utf-8")  # refuses a file that is not UTF-8
    lines = data.replace(b"\r\n", b"\n").split(b"\n")
    return BOM + b"\r\n".join(lines)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--epoch", type=int, required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--program32", required=True)
    parser.add_argument("--liesmich", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args(argv)

    with open(args.program, "rb") as f:
        program = f.read()
    with open(args.program32, "rb") as f:
        program32 = f.read()
    sums = "".join("%s  %s\n" % (hashlib.sha256(data).hexdigest(), name)
                   for name, data in (("Merotan.exe", program), ("32-Bit/Merotan.exe", program32)))
    entries = [
        ("Merotan.exe", program),
        ("32-Bit/Merotan.exe", program32),
        ("Liesmich.txt", windows_text(args.liesmich)),
        ("SHA256SUMS.txt", sums.encode("ascii")),
    ]
    # DOS times start in 1980.
    stamp = time.gmtime(max(args.epoch, 315532800))[:6]
    part = args.out + ".part"
    with zipfile.ZipFile(part, "w") as zf:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0
            info.external_attr = 0x20  # the archive attribute, as Windows packs a file
            zf.writestr(info, data, compresslevel=9)
    os.replace(part, args.out)
    print(args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
