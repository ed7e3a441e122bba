#!/usr/bin/env python3
"""Writes the uninstall data seeds beside this script: a typical installation,
the authoring kit's own (with its stub copy and a long path) and an empty list."""
import os
import struct


def text(s):
    b = s.encode("latin-1")
    if len(b) < 255:
        return bytes([len(b)]) + b
    return b"\xff" + struct.pack("<H", len(b)) + b


def data(name, company, files):
    out = text("UNINSTALL") + text(name) + text(company) + struct.pack("<H", len(files))
    return out + b"".join(text(f) for f in files)


here = os.path.dirname(os.path.abspath(__file__))
inst = "C:\\Program Files\\Saver"
seeds = {
    "typical.dat": data("Saver", "Company", [
        "C:\\WINDOWS\\Saver.scr", inst + "\\Saver.ini", inst + "\\Uninstall.exe",
        "C:\\WINDOWS\\Start Menu\\Programs\\Saver", inst + "\\Uninstall.dat",
        inst + "\\Saver.gid"]),
    "kit.dat": data("Corvexa", "Company", [
        inst + "\\setup.ex_", inst + "\\" + "x" * 300, inst + "\\..\\escape.txt"]),
    "empty.dat": data("Saver", "Company", []),
}
for name, b in seeds.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(b)
