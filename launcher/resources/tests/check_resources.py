#!/usr/bin/env python3
"""Checks of the resources bound into built zenta.exe files.

The resources are read back with icoutils (wrestool lists and extracts them,
icotool reads the icon groups), and the raw accelerator, dialog and version
bytes are decoded here against the Windows binary layouts.  Expected values
are written out below independently of the resource script.

Usage: check_resources.py [--wine=EXE --standin=DLL,...] EXE...
With --wine, EXE (a 64-bit build) is also run under Wine with the listed
stand-in libraries copied beside it, and the engine's resource probe read.
Prints one line per check and `resources: N passed, M failed`; exit status 1
on any failure.
"""

import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
RESOURCE_DIR = os.path.dirname(HERE)

LANG_EN_US = 1033
RT_ICON, RT_DIALOG, RT_ACCELERATOR, RT_GROUP_ICON, RT_VERSION = 3, 5, 9, 14, 16

ICON_IDS = sorted(set(range(1998, 2214))
                  - set(range(2099, 2103)) - {2115}
                  - set(range(2188, 2199)) - set(range(2200, 2213)))
TWO_SIZES = {1998, 2000, 2160, 2186}
ONLY_16 = {1999, 2001}

# (flags, key, command): FVIRTKEY|FSHIFT = 0x05, 0x80 marks the last entry.
ACCELERATORS = [(0x05, 0x74, 17), (0x85, 0x73, 16)]   # VK_F5, VK_F4

WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_SYSMENU = 0x00C00000, 0x00080000
WS_GROUP, WS_TABSTOP = 0x00020000, 0x00010000
DS_MODALFRAME, DS_SETFONT = 0x80, 0x40
SS_CENTER, BS_DEFPUSHBUTTON = 0x1, 0x1
ATOM_BUTTON, ATOM_STATIC = 0x80, 0x82

DIALOG = {
    'style': DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
    'ex_style': 0, 'rect': (40, 40, 120, 40),
    'menu': None, 'class': None, 'caption': 'ZENTA-Print',
    'controls': [
        {'style': SS_CENTER | WS_VISIBLE | WS_CHILD | WS_GROUP, 'ex_style': 0,
         'rect': (4, 6, 120, 12), 'id': 0, 'class': ATOM_STATIC, 'text': 'Printing...'},
        {'style': BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP | WS_VISIBLE | WS_CHILD,
         'ex_style': 0, 'rect': (44, 22, 32, 14), 'id': 1, 'class': ATOM_BUTTON,
         'text': 'Cancel'},
    ],
}

VOS__WINDOWS32, VFT_APP = 4, 1
STRING_KEYS = ['CompanyName', 'FileDescription', 'FileVersion', 'InternalName',
               'LegalCopyright', 'OriginalFilename', 'ProductName', 'ProductVersion',
               'Program Build Number']


class Failure(Exception):
    pass


def expect(cond, what):
    if not cond:
        raise Failure(what)


def run(args, binary=True):
    out = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    if out.returncode != 0:
        raise Failure('%s exited %d: %s' % (' '.join(args), out.returncode,
                                           out.stderr.decode(errors='replace').strip()))
    return out.stdout if binary else out.stdout.decode()


# ---- decoding helpers ---------------------------------------------------

def utf16z(data, pos):
    """NUL-terminated UTF-16LE string at pos -> (text, position after the NUL)."""
    end = pos
    while data[end:end + 2] != b'\0\0':
        end += 2
        if end >= len(data):
            raise Failure('unterminated string at %d' % pos)
    return data[pos:end].decode('utf-16-le'), end + 2


def sz_or_ord(data, pos):
    """Dialog name field: 0 = none, 0xFFFF + ordinal, or a string."""
    (first,) = struct.unpack_from('<H', data, pos)
    if first == 0:
        return None, pos + 2
    if first == 0xFFFF:
        return struct.unpack_from('<H', data, pos + 2)[0], pos + 4
    return utf16z(data, pos)


def align4(pos):
    return (pos + 3) & ~3


def parse_dialog(data):
    """A DIALOG (not DIALOGEX) template as a dict shaped like DIALOG above."""
    style, ex_style, count, x, y, cx, cy = struct.unpack_from('<IIHhhhh', data, 0)
    expect(style >> 16 != 0xFFFF or ex_style != 1, 'template is DIALOGEX, expected DIALOG')
    pos = 18
    menu, pos = sz_or_ord(data, pos)
    cls, pos = sz_or_ord(data, pos)
    caption, pos = utf16z(data, pos)
    dlg = {'style': style, 'ex_style': ex_style, 'rect': (x, y, cx, cy),
           'menu': menu, 'class': cls, 'caption': caption, 'controls': []}
    if style & DS_SETFONT:
        (dlg['font_size'],) = struct.unpack_from('<H', data, pos)
        dlg['font'], pos = utf16z(data, pos + 2)
    for _ in range(count):
        pos = align4(pos)
        cstyle, cex, x, y, cx, cy, cid = struct.unpack_from('<IIhhhhH', data, pos)
        pos += 18
        ccls, pos = sz_or_ord(data, pos)
        text, pos = sz_or_ord(data, pos)
        (extra,) = struct.unpack_from('<H', data, pos)
        pos += 2 + extra
        dlg['controls'].append({'style': cstyle, 'ex_style': cex, 'rect': (x, y, cx, cy),
                                'id': cid, 'class': ccls, 'text': text})
    return dlg


def version_node(data, pos):
    """One VS_VERSIONINFO-style node -> (key, value bytes, value type, children)."""
    length, value_len, vtype = struct.unpack_from('<HHH', data, pos)
    end = pos + length
    key, p = utf16z(data, pos + 6)
    p = align4(p)
    size = value_len * 2 if vtype == 1 else value_len   # text values count WCHARs
    value = data[p:p + size]
    p = align4(p + size)
    children = []
    while p < end:
        child = version_node(data, p)
        children.append(child)
        p = align4(p + struct.unpack_from('<H', data, p)[0])
    return key, value, vtype, children


def parse_version(data):
    key, fixed, _, children = version_node(data, 0)
    expect(key == 'VS_VERSION_INFO', 'root key %r' % key)
    expect(len(fixed) == 52, 'VS_FIXEDFILEINFO is %d bytes, expected 52' % len(fixed))
    f = struct.unpack('<13I', fixed)
    info = {'signature': f[0], 'struc_version': f[1],
            'file': (f[2] >> 16, f[2] & 0xFFFF, f[3] >> 16, f[3] & 0xFFFF),
            'product': (f[4] >> 16, f[4] & 0xFFFF, f[5] >> 16, f[5] & 0xFFFF),
            'flags_mask': f[6], 'flags': f[7], 'os': f[8], 'type': f[9],
            'subtype': f[10], 'date': (f[11], f[12]), 'tables': {}, 'translation': None}
    for ckey, _, _, grand in children:
        if ckey == 'StringFileInfo':
            for tkey, _, _, entries in grand:
                info['tables'][tkey] = {
                    k: v.decode('utf-16-le').rstrip('\0') for k, v, _, _ in entries}
        elif ckey == 'VarFileInfo':
            for vkey, value, _, _ in grand:
                if vkey == 'Translation':
                    info['translation'] = struct.unpack('<%dH' % (len(value) // 2), value)
    return info


def expected_version(exe):
    """(major, minor, patch) from version.cmake and the build number from the
    CMake cache of the build that made exe (None when no cache is found)."""
    text = open(os.path.join(RESOURCE_DIR, 'version.cmake')).read()
    parts = tuple(int(re.search(r'set\(ZENTA_VERSION_%s\s+(\d+)\)' % p, text).group(1))
                  for p in ('MAJOR', 'MINOR', 'PATCH'))
    d = os.path.dirname(os.path.abspath(exe))
    while d != os.path.dirname(d):
        cache = os.path.join(d, 'CMakeCache.txt')
        if os.path.exists(cache):
            m = re.search(r'^ZENTA_BUILD_NUMBER:\w+=(\d+)$', open(cache).read(), re.M)
            return parts, int(m.group(1)) if m else 0
        d = os.path.dirname(d)
    return parts, None


# ---- checks on one executable -------------------------------------------

def list_resources(exe):
    out = []
    for line in run(['wrestool', '-l', exe], binary=False).splitlines():
        m = re.match(r"--type=(\S+) --name=(\S+) --language=(\S+)", line)
        expect(m, 'unreadable wrestool line: %r' % line)
        t, n, lang = m.groups()
        out.append((int(t) if t.isdigit() else t, n.strip("'"), int(lang)))
    return out


def check_listing(exe):
    res = list_resources(exe)
    bad_lang = [r for r in res if r[2] != LANG_EN_US]
    expect(not bad_lang, 'resources not in language 1033: %s' % bad_lang[:5])
    names = {}
    for t, n, _ in res:
        names.setdefault(t, []).append(n)
    expect(set(names) == {RT_ICON, RT_DIALOG, RT_ACCELERATOR, RT_GROUP_ICON, RT_VERSION},
           'resource types %s' % sorted(names, key=str))
    groups = sorted(int(n) for n in names[RT_GROUP_ICON])
    expect(groups == ICON_IDS, 'icon group ids differ: missing %s, extra %s' % (
        sorted(set(ICON_IDS) - set(groups)), sorted(set(groups) - set(ICON_IDS))))
    expect(len(names[RT_ICON]) == len(ICON_IDS) + len(TWO_SIZES),
           '%d icon images, expected %d' % (len(names[RT_ICON]), len(ICON_IDS) + len(TWO_SIZES)))
    expect(names[RT_ACCELERATOR] == ['MDIACCEL'], 'accelerator tables %s' % names[RT_ACCELERATOR])
    expect(names[RT_DIALOG] == ['PRINTDLGBOX'], 'dialogs %s' % names[RT_DIALOG])
    expect(names[RT_VERSION] == ['1'], 'version resources %s' % names[RT_VERSION])
    return '%d resources, all language 1033, %d icon groups' % (len(res), len(groups))


def check_icon_groups(exe, tmp):
    out = os.path.join(tmp, 'groups')
    os.makedirs(out)
    run(['wrestool', '-x', '-t', str(RT_GROUP_ICON), '-o', out, exe])
    payloads = {}
    for gid in ICON_IDS:
        path = os.path.join(out, '%s_%d_%d.ico' % (os.path.basename(exe), RT_GROUP_ICON, gid))
        if not os.path.exists(path):   # older wrestool names carry the language
            path = path[:-4] + '_%d.ico' % LANG_EN_US
        expect(os.path.exists(path), 'group %d not extracted' % gid)
        listing = run(['icotool', '-l', path], binary=False).split('\n')
        images = [dict(re.findall(r'--([\w-]+)=(\d+)', l)) for l in listing if l.startswith('--icon')]
        want = [32, 16] if gid in TWO_SIZES else [16] if gid in ONLY_16 else [32]
        got = sorted((int(i['width']) for i in images), reverse=True)
        expect(got == want, 'group %d sizes %s, expected %s' % (gid, got, want))
        for i in images:
            expect(i['width'] == i['height'], 'group %d image not square: %s' % (gid, i))
            expect(i['bit-depth'] == '4' and i.get('palette-size') == '16',
                   'group %d image not 16-colour: %s' % (gid, i))
        payloads[gid] = hashlib.sha256(open(path, 'rb').read()).hexdigest()
    # Each group is drawn differently, so no two groups carry the same images.
    expect(len(set(payloads.values())) == len(ICON_IDS), 'some icon groups are identical')
    return '%d groups: sizes, 4 bpp, 16-entry palettes, all distinct' % len(ICON_IDS)


def check_icon_images(exe, tmp):
    """Every RT_ICON image is an uncompressed 4-bpp DIB with XOR and AND masks."""
    out = os.path.join(tmp, 'images')
    os.makedirs(out)
    run(['wrestool', '-x', '--raw', '-t', str(RT_ICON), '-o', out, exe])
    files = os.listdir(out)
    for name in files:
        data = open(os.path.join(out, name), 'rb').read()
        (hsize, w, h, planes, bpp, comp, isize, _, _, used, _) = struct.unpack_from('<IiiHHIIiiII', data)
        expect(hsize == 40 and planes == 1 and bpp == 4 and comp == 0,
               '%s: not a 4-bpp BI_RGB DIB (%d %d %d %d)' % (name, hsize, planes, bpp, comp))
        expect(h == 2 * w and w in (16, 32), '%s: %dx%d' % (name, w, h))
        xor = ((w * 4 + 31) // 32) * 4 * w
        mask = ((w + 31) // 32) * 4 * w
        expect(used in (0, 16), '%s: %d palette entries' % (name, used))
        expect(len(data) == 40 + 64 + xor + mask,
               '%s: %d bytes, expected %d' % (name, len(data), 40 + 64 + xor + mask))
    expect(len(files) == len(ICON_IDS) + len(TWO_SIZES), '%d images extracted' % len(files))
    return '%d images: 4-bpp DIB, 16 colours, XOR+AND masks' % len(files)


def raw(exe, rtype, name):
    return run(['wrestool', '-x', '--raw', '-t', str(rtype), '-n', name, exe])


def check_accelerators(exe):
    data = raw(exe, RT_ACCELERATOR, 'MDIACCEL')
    expect(len(data) % 8 == 0, 'accelerator table of %d bytes' % len(data))
    entries = [struct.unpack_from('<HHHH', data, i)[:3] for i in range(0, len(data), 8)]
    expect(entries == ACCELERATORS, 'entries %s, expected %s' % (
        [tuple(hex(v) for v in e) for e in entries], [tuple(hex(v) for v in e) for e in ACCELERATORS]))
    return 'Shift+F5 -> 17, Shift+F4 -> 16 (VIRTKEY|SHIFT)'


def show(value):
    """Style words in hex, everything else as is."""
    return '0x%08X' % value if isinstance(value, int) and value > 0xFFFF else repr(value)


def check_dialog(exe):
    dlg = parse_dialog(raw(exe, RT_DIALOG, 'PRINTDLGBOX'))
    for key, want in DIALOG.items():
        if key != 'controls':
            expect(dlg[key] == want, '%s = %s, expected %s' % (key, show(dlg[key]), show(want)))
    expect('font' not in dlg, 'unexpected font %r' % dlg.get('font'))
    expect(len(dlg['controls']) == len(DIALOG['controls']), '%d controls' % len(dlg['controls']))
    for i, (got, want) in enumerate(zip(dlg['controls'], DIALOG['controls'])):
        for key in want:
            expect(got[key] == want[key], 'control %d %s = %s, expected %s'
                   % (i, key, show(got[key]), show(want[key])))
    return 'style 0x%08X at %s, %d controls' % (dlg['style'], dlg['rect'], len(dlg['controls']))


def check_version(exe):
    info = parse_version(raw(exe, RT_VERSION, '1'))
    expect(info['signature'] == 0xFEEF04BD, 'signature 0x%08X' % info['signature'])
    expect(info['os'] == VOS__WINDOWS32, 'dwFileOS %d' % info['os'])
    expect(info['type'] == VFT_APP, 'dwFileType %d' % info['type'])
    expect(info['subtype'] == 0 and info['flags'] == 0, 'subtype/flags %d/%d'
           % (info['subtype'], info['flags']))
    expect(info['product'] == info['file'], 'product %s, file %s' % (info['product'], info['file']))
    (major, minor, patch), build = expected_version(exe)
    if build is not None:
        expect(info['file'] == (major, minor, patch, build),
               'file version %s, configured %s' % (info['file'], (major, minor, patch, build)))
    else:
        expect(info['file'][:3] == (major, minor, patch), 'file version %s' % (info['file'],))
    expect(list(info['tables']) == ['040904B0'], 'string tables %s' % list(info['tables']))
    expect(info['translation'] == (0x0409, 1200), 'Translation %s' % (info['translation'],))
    strings = info['tables']['040904B0']
    missing = [k for k in STRING_KEYS if not strings.get(k)]
    expect(not missing, 'missing or empty strings %s' % missing)
    dotted = '.'.join(map(str, info['file']))
    expect(strings['FileVersion'] == dotted, 'FileVersion %r vs %s' % (strings['FileVersion'], dotted))
    expect(strings['ProductVersion'] == dotted, 'ProductVersion %r' % strings['ProductVersion'])
    expect(strings['Program Build Number'] == str(info['file'][3]),
           'Program Build Number %r vs %d' % (strings['Program Build Number'], info['file'][3]))
    expect(strings['OriginalFilename'] == 'zenta.exe', 'OriginalFilename %r' % strings['OriginalFilename'])
    expect(strings['ProductName'] == 'ZENTA', 'ProductName %r' % strings['ProductName'])
    return 'version %s, OS 0x%X, type %d, build number %s' % (
        dotted, info['os'], info['type'], strings['Program Build Number'])


# ---- build-side checks ----------------------------------------------------

def check_generator(tmp):
    """Two runs of the icon generator give the same bytes, and its script
    fragment names exactly the icon groups."""
    outs = [os.path.join(tmp, 'a'), os.path.join(tmp, 'b')]
    for out in outs:
        run([sys.executable, os.path.join(RESOURCE_DIR, 'gen_icons.py'), out])
    names = sorted(os.listdir(outs[0]))
    expect(names == sorted(os.listdir(outs[1])), 'file sets differ between runs')
    for name in names:
        a = open(os.path.join(outs[0], name), 'rb').read()
        b = open(os.path.join(outs[1], name), 'rb').read()
        expect(a == b, '%s differs between runs' % name)
    fragment = open(os.path.join(outs[0], 'zenta_icons.rc')).read()
    ids = [int(m) for m in re.findall(r'^(\d+) ICON "icon\1\.ico"$', fragment, re.M)]
    expect(ids == ICON_IDS, 'fragment names %d groups' % len(ids))
    return '%d files, identical across runs' % len(names)


def check_build_number_option(tmp):
    """ZENTA_BUILD_NUMBER must fit the 16-bit fourth part of the version."""
    cmake = shutil.which('cmake')
    expect(cmake, 'cmake not found')
    script = os.path.join(RESOURCE_DIR, 'resources.cmake')
    for value, ok in (('0', True), ('65535', True), ('007', True),
                      ('65536', False), ('-1', False), ('12a', False), ('', False)):
        out = subprocess.run([cmake, '-DZENTA_BUILD_NUMBER=' + value, '-P', script], cwd=tmp,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, check=False)
        rejected = b'ZENTA_BUILD_NUMBER must be' in out.stdout
        expect(rejected != ok and (out.returncode == 0) == ok,
               'value %r: exit %d, %s' % (value, out.returncode, out.stdout.decode().strip()))
    return 'accepts 0..65535, rejects 65536, -1, 12a and empty'


# ---- Wine: the resources as the engine library reaches them -------------

WINE = '/usr/lib/wine/wine64'
WINESERVER = '/usr/lib/wine/wineserver'


def wine_probe_lines(exe, tmp):
    """Run exe under Wine with the stand-in engine beside it and return the
    lines its resource probe wrote."""
    prefix = os.path.join(tmp, 'prefix')
    os.makedirs(prefix)
    # Only this run's settings reach the engine stand-in.
    env = {k: v for k, v in os.environ.items() if not k.startswith('ZENTA_')}
    env.update(WINEPREFIX=prefix, WINEDEBUG='-all', WINEDLLOVERRIDES='mscoree,mshtml=')
    run_dir = os.path.join(tmp, 'run')
    os.makedirs(run_dir)
    shutil.copy(exe, run_dir)
    for dll in STANDIN_DLLS:
        shutil.copy(dll, run_dir)
    probe = os.path.join(tmp, 'probe.txt')
    try:
        subprocess.run([WINE, 'wineboot', '--init'], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=300, check=False)
        env['ZENTA_PROBE_RESOURCES'] = 'Z:' + probe.replace('/', '\\')
        done = subprocess.run([WINE, os.path.join(run_dir, os.path.basename(exe))], env=env,
                              cwd=run_dir, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=300, check=False)
    finally:
        # Stop this prefix's server now rather than leave it lingering.
        subprocess.run([WINESERVER, '-k'], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=False)
    # The stand-in engine returns 0, which the launcher passes on as exit code.
    expect(done.returncode == 0, 'zenta.exe exited %d under Wine' % done.returncode)
    expect(os.path.exists(probe), 'the engine wrote no probe file')
    return open(probe).read().split('\n')


STANDIN_DLLS = []


def check_wine(exe, tmp):
    lines = [l.strip() for l in wine_probe_lines(exe, tmp) if l.strip()]
    (major, minor, patch), build = expected_version(exe)
    # In memory (ACCEL) the end-of-table bit 0x80 is gone.
    accel = 'accel 2 ' + ' '.join('%d:%d:%d' % (f & 0x7F, k, c) for f, k, c in ACCELERATORS)
    # The loaded template is the one stored in the file, byte for byte in size.
    dialog = 'dialog %d' % len(raw(exe, RT_DIALOG, 'PRINTDLGBOX'))
    want = ['icon1998 ok', 'icon2160x16 ok', accel, dialog,
            'version %d.%d.%d.%d' % (major, minor, patch, build if build is not None else 0)]
    expect(lines == want, 'probe wrote %r, expected %r' % (lines, want))
    return '; '.join(lines)


# ---- driver -------------------------------------------------------------

def main(argv):
    args = argv[1:]
    wine = None
    while args and args[0].startswith('--'):
        opt = args.pop(0)
        if opt.startswith('--wine='):
            wine = opt.split('=', 1)[1]
        elif opt.startswith('--standin='):
            STANDIN_DLLS.extend(p for p in opt.split('=', 1)[1].split(',') if p)
        else:
            sys.stderr.write('unknown option %s\n' % opt)
            return 2
    if not args:
        sys.stderr.write('usage: check_resources.py [--wine=EXE --standin=DLL,...] EXE...\n')
        return 2
    passed = failed = 0
    jobs = [('', 'generator', check_generator), ('', 'build number', check_build_number_option)]
    for exe in args:
        checks = [('listing', check_listing), ('icon groups', check_icon_groups),
                  ('icon images', check_icon_images), ('accelerators', check_accelerators),
                  ('dialog', check_dialog), ('version', check_version)]
        jobs += [(exe, name, fn) for name, fn in checks]
    if wine:
        jobs.append((wine, 'wine probe', check_wine))
    for exe, name, fn in jobs:
        tmp = tempfile.mkdtemp(prefix='zenta-res-')
        try:
            if not exe:
                note = fn(tmp)
            elif fn.__code__.co_argcount == 2:
                note = fn(exe, tmp)
            else:
                note = fn(exe)
            print('PASS %s: %s: %s' % (exe or 'build', name, note))
            passed += 1
        except (Failure, OSError, struct.error, subprocess.TimeoutExpired,
                UnicodeDecodeError, KeyError, IndexError, AttributeError) as e:
            print('FAIL %s: %s: %s' % (exe or 'build', name, e))
            failed += 1
        finally:
            shutil.rmtree(tmp, ignore_errors=True)
    print('resources: %d passed, %d failed' % (passed, failed))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
