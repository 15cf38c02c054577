#!/usr/bin/env python3
"""Writes the facts of ExtIO_Excalibur.rc that the headless window layer
needs as a C++ header: the dialog (its size, font and controls), the menu
(the items of its one popup) and the bitmap's size, read from the file the
script names. Run at build time; a change to the script or to what it reads
remakes the header.

    rc_header.py ExtIO_Excalibur.rc OUT.h [DEPFILE]

Only the small subset of the resource language that the script uses is
understood here: one DIALOG with numeric styles, one MENU with one POPUP of
MENUITEMs, one BITMAP. Anything else in those statements stops the build
with the line it could not read; other statements are passed over.
"""
import re
import struct
import sys
from pathlib import Path

STATEMENT = re.compile(r"^(\w+)\s+(DIALOG|DIALOGEX|MENU|MENUEX|BITMAP)\b\s*(.*)$")
FIELD = re.compile(r'\s*("(?:[^"]|"")*"|[^,]+?)\s*(?:,|$)')
CONTROL_STATEMENTS = ("PUSHBUTTON", "DEFPUSHBUTTON", "LTEXT", "CTEXT", "RTEXT", "CONTROL")


class RcError(Exception):
    def __init__(self, message, line=None):
        super().__init__(message)
        self.line = line


def fields(text):
    """The comma-separated fields of a statement, strings with their quotes."""
    return FIELD.findall(text.strip())


def number(field):
    try:
        return int(field, 0)
    except ValueError:
        raise RcError(f"expected a number, found {field!r}") from None


def string(field):
    if not (field.startswith('"') and field.endswith('"')) or '""' in field[1:-1] or "\\" in field:
        raise RcError(f"expected a plain quoted string, found {field!r}")
    return field  # already a C++ literal


def ident(field):
    """A resource id as C++ may name it: a macro of ResourceIds.h or a number."""
    if re.fullmatch(r"[A-Za-z_]\w*", field):
        return field
    return str(number(field))


def read_lines(path):
    text = re.sub(r"/\*.*?\*/", lambda m: "\n" * m.group(0).count("\n"), path.read_text(), flags=re.S)
    return [(n + 1, re.sub(r"//.*", "", line).strip()) for n, line in enumerate(text.splitlines())]


def block(lines, start):
    """The lines between BEGIN and its END from lines[start]; the index after END."""
    if lines[start][1] != "BEGIN":
        raise RcError("expected BEGIN")
    depth, body = 0, []
    for i in range(start, len(lines)):
        word = lines[i][1].split(" ")[0]
        depth += {"BEGIN": 1, "END": -1}.get(word, 0)
        if depth == 0:
            return body[1:], i + 1
        body.append(lines[i])
    raise RcError("BEGIN without END")


def dialog(lines, start, name, rest):
    _, _, width, height = map(number, fields(rest))
    facts = {"name": name, "width": width, "height": height, "font": None, "controls": []}
    i = start
    while lines[i][1] != "BEGIN":
        keyword, _, value = lines[i][1].partition(" ")
        if keyword == "FONT":
            points, face = fields(value)
            facts["font"] = (number(points), string(face))
        elif keyword not in ("STYLE", "CAPTION", "EXSTYLE", ""):
            raise RcError(f"unknown dialog option {keyword}")
        i += 1
    body, after = block(lines, i)
    for lineno, line in body:
        try:
            facts["controls"].append(control(line))
        except RcError as error:
            raise RcError(str(error), lineno) from None
    return facts, after


def control(line):
    keyword, _, value = line.partition(" ")
    if keyword not in CONTROL_STATEMENTS:
        raise RcError(f"unknown control statement {keyword}")
    f = fields(value)
    if keyword == "CONTROL" and len(f) == 8:  # text, id, class, style, x, y, width, height
        f = [f[0], f[1], *f[4:8], f[3]]
    if len(f) != 7:
        raise RcError("expected text, id, x, y, width, height and a numeric style")
    text, id_, x, y, width, height, style = f
    return (keyword, string(text), ident(id_), number(x), number(y), number(width), number(height), number(style))


def menu(lines, start, name):
    body, after = block(lines, start)
    if not body or not body[0][1].startswith("POPUP "):
        raise RcError("the menu must hold one POPUP")
    popup, rest = block(body, 1)
    if rest != len(body):
        raise RcError("the menu must hold one POPUP only")
    items = []
    for lineno, line in popup:
        keyword, _, value = line.partition(" ")
        f = fields(value)
        if keyword != "MENUITEM" or len(f) < 2 or any(flag != "GRAYED" for flag in f[2:]):
            raise RcError("expected MENUITEM text, id [, GRAYED]", lineno)
        try:
            items.append((string(f[0]), ident(f[1]), "GRAYED" in f[2:]))
        except RcError as error:
            raise RcError(str(error), lineno) from None
    return {"name": name, "items": items}, after


def bitmap(rc_path, name, rest):
    path = rc_path.parent / string(rest.strip())[1:-1]
    data = path.read_bytes()
    if data[:2] != b"BM" or struct.unpack_from("<I", data, 14)[0] < 40:
        raise RcError(f"{path.name}: not a bitmap with a BITMAPINFOHEADER")
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    return {"name": name, "file": path, "width": width, "height": abs(height), "bits": bits}


def parse(rc_path):
    lines = read_lines(rc_path)
    found = {"DIALOG": [], "MENU": [], "BITMAP": []}
    i = 0
    while i < len(lines):
        lineno, line = lines[i]
        match = STATEMENT.match(line)
        i += 1
        if not match:
            continue
        name, kind, rest = match.groups()
        try:
            if kind == "DIALOG":
                facts, i = dialog(lines, i, name, rest)
            elif kind == "MENU":
                facts, i = menu(lines, i, name)
            elif kind == "BITMAP":
                facts = bitmap(rc_path, name, rest)
            else:
                raise RcError(f"{kind} is not understood here")
        except (RcError, ValueError, IndexError) as error:
            line = getattr(error, "line", None) or lineno
            raise RcError(f"{rc_path}:{line}: {name} {kind}: {error}") from None
        found[kind].append(facts)
    for kind, items in found.items():
        if len(items) != 1:
            raise RcError(f"{rc_path}: expected one {kind}, found {len(items)}")
    return found["DIALOG"][0], found["MENU"][0], found["BITMAP"][0]


def header(rc_path, dlg, mnu, bmp):
    if dlg["font"] is None:
        raise RcError(f"{rc_path}: the dialog names no FONT")
    out = [
        f"// Generated from resources/{rc_path.name} by resources/rc_header.py at build time. Do not edit.",
        "#pragma once",
        "",
        "#include <cstdint>",
        "",
        '#include "resources/ResourceIds.h"',
        "",
        "namespace rc {",
        "",
        "struct DialogControl {",
        "    const char* statement;     // PUSHBUTTON, CTEXT, CONTROL, ...",
        "    const char* text;",
        "    int id;",
        "    int x, y, width, height;   // dialog units",
        "    std::uint32_t style;",
        "};",
        "",
        "struct MenuItem {",
        "    unsigned id;",
        "    const char* text;",
        "    bool greyed;",
        "};",
        "",
        f"// Dialog {dlg['name']}, in dialog units.",
        f"inline constexpr int kDialogWidth = {dlg['width']};",
        f"inline constexpr int kDialogHeight = {dlg['height']};",
        f"inline constexpr int kDialogFontPoints = {dlg['font'][0]};",
        f"inline constexpr const char* kDialogFontName = {dlg['font'][1]};",
        "inline constexpr DialogControl kDialogControls[] = {",
    ]
    for statement, text, id_, x, y, w, h, style in dlg["controls"]:
        out.append(f'    {{"{statement}", {text}, {id_}, {x}, {y}, {w}, {h}, 0x{style:08X}u}},')
    out += [
        "};",
        "",
        f"// Menu {mnu['name']}: the items of its popup.",
        f"inline constexpr unsigned kMenuId = {mnu['name']};",
        "inline constexpr MenuItem kMenuItems[] = {",
    ]
    for text, id_, greyed in mnu["items"]:
        out.append(f"    {{{id_}, {text}, {'true' if greyed else 'false'}}},")
    out += [
        "};",
        "",
        f"// Bitmap {bmp['name']}: {bmp['file'].name}.",
        f"inline constexpr unsigned kBitmapId = {bmp['name']};",
        f"inline constexpr int kBitmapWidth = {bmp['width']};",
        f"inline constexpr int kBitmapHeight = {bmp['height']};",
        f"inline constexpr int kBitmapBitsPerPixel = {bmp['bits']};",
        "",
        "}  // namespace rc",
        "",
    ]
    return "\n".join(out)


def main(argv):
    if len(argv) not in (3, 4):
        sys.exit(__doc__)
    rc_path, out_path = Path(argv[1]), Path(argv[2])
    try:
        dlg, mnu, bmp = parse(rc_path)
        text = header(rc_path, dlg, mnu, bmp)
    except (RcError, OSError) as error:
        sys.exit(f"rc_header.py: {error}")
    out_path.parent.mkdir(parents=True, exist_ok=True)
    # Rewritten only when it changes, so that nothing recompiles for nothing.
    if not out_path.exists() or out_path.read_text() != text:
        out_path.write_text(text)
    if len(argv) == 4:
        def escaped(path):
            return str(path).replace(" ", "\\ ")
        Path(argv[3]).write_text(f"{escaped(out_path)}: {escaped(rc_path)} {escaped(bmp['file'])}\n")


if __name__ == "__main__":
    main(sys.argv)
