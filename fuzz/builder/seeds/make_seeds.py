#!/usr/bin/env python3
"""Writes the small seed files of the builder's fuzz targets: make files and
setup packages as the builder lays them out, and settings texts."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def text(s):
    b = s.encode('latin-1')
    if len(b) < 255:
        return bytes([len(b)]) + b
    return b'\xff' + struct.pack('<H', len(b)) + b


def make_file(lines, fmt=64):
    out = struct.pack('<H', fmt)
    for s in ['C:\\Out', 'Tide.exe', 'Tide', '1.0', '2026', 'Harbour', 'Harbour', '']:
        out += text(s)
    out += struct.pack('<II', 0, 17)
    out += struct.pack('<H', len(lines)) + b''.join(text(l) for l in lines)
    return out


def field(s, n):
    b = s.encode('latin-1')
    return b + b'\0' * (n - len(b))


def package(stub, files):
    out = stub
    total = 0
    for name, target, data in files:
        packed = zlib.compress(data, 9)
        h = struct.pack('<H', 1068) + b'MF\0' + field(name, 263)
        h += struct.pack('<II', len(packed), len(data))
        h += field('INSTALLDIR', 261) + field(target, 257) + field('', 258)
        h += struct.pack('<IIII', 0, 0, 0, 0)
        assert len(h) == 1068
        out += h + packed
        total += len(data)
    t = struct.pack('<IIII', 492, len(out) + 492, len(files), len(stub) + 1)
    t += field('Tide', 257) + field('1.0', 6) + field('Harbour', 101) + field('Harbour', 104)
    t += struct.pack('<II', total, 17)
    assert len(t) == 492
    return out + t


def pe_with_version():
    """A minimal PE image whose resource section holds a fixed file version 1.2.3.4."""
    img = bytearray(0x400)
    img[0:2] = b'MZ'
    struct.pack_into('<I', img, 0x3C, 0x40)
    img[0x40:0x44] = b'PE\0\0'
    struct.pack_into('<HH', img, 0x44, 0x14C, 1)          # machine, one section
    struct.pack_into('<H', img, 0x54, 0xE0)               # optional header size
    opt = 0x58
    struct.pack_into('<H', img, opt, 0x10B)
    struct.pack_into('<I', img, opt + 92, 16)             # data directories
    struct.pack_into('<II', img, opt + 96 + 16, 0x1000, 0x100)  # resources
    sec = opt + 0xE0
    img[sec:sec + 8] = b'.rsrc\0\0\0'
    struct.pack_into('<IIII', img, sec + 8, 0x200, 0x1000, 0x200, 0x200)
    r = 0x200
    def directory(at, ident, target):
        struct.pack_into('<HH', img, at + 12, 0, 1)
        struct.pack_into('<II', img, at + 16, ident, target)
    directory(r, 16, 0x80000000 | 0x18)
    directory(r + 0x18, 1, 0x80000000 | 0x30)
    directory(r + 0x30, 0x409, 0x48)
    struct.pack_into('<II', img, r + 0x48, 0x1000 + 0x60, 92)
    v = r + 0x60
    struct.pack_into('<HHH', img, v, 92, 52, 0)
    img[v + 6:v + 38] = 'VS_VERSION_INFO\0'.encode('utf-16-le')
    struct.pack_into('<IIII', img, v + 40, 0xFEEF04BD, 0x10000, 0x00010002, 0x00030004)
    return bytes(img)


def write(folder, name, data):
    os.makedirs(os.path.join(HERE, folder), exist_ok=True)
    with open(os.path.join(HERE, folder, name), 'wb') as f:
        f.write(data)


write('make', 'lines.dat', make_file(['C:\\Kit\\Plinthar.scr,Tide.scr,WINDOWSDIR,Tide 1.0',
                                      'C:\\Kit\\Uninstall.exe,,INSTALLDIR,Uninstall Tide',
                                      'Tide.ini', 'Tide.alb', 'C:\\p\\a.jpg', 'C:\\q\\a.jpg']))
write('make', 'empty.dat', make_file([]))
write('make', 'format63.dat', make_file(['a.txt'], fmt=63))
write('package', 'two.pkg', package(b'MZ' + b'\0' * 62,
                                    [('a.jpg', 'a.jpg', b'picture' * 40), ('b.ini', '', b'[x]')]))
write('package', 'nostub.pkg', package(b'', [('r.scr', 'Tide.scr', b'runtime')]))
write('package', 'version.pkg', package(b'', [('v.exe', 'v.exe', pe_with_version())]))
write('package', 'pe.exe', pe_with_version())
write('settings', 'kit.ini', b'[Options]\r\nAlbumFile=\\a.alb\r\nLastImageDir=C:\\\r\n'
      b'[Distribution]\r\nSaverName=Tide\r\n[Background]\r\nImage=x.bmp\r\n')
# A vertical tab before a section line: the editor and the reader must agree
# on which lines are section headers.
write('settings', 'vertical_tab.ini', b'[Options]\r\nAlbumFile=\\a.alb\r\n\x0b\r[O]\r\nAlbumFile=.aj')
