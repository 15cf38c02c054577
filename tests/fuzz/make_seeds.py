#!/usr/bin/env python3
"""Writes the INI fuzzer's seed corpus (tests/fuzz/corpus) from the table
below. Input layout: see FuzzScript.h. Run it again after changing a seed."""
import pathlib
import struct

MARK = b"\n#ops#\n"
HERE = pathlib.Path(__file__).resolve().parent

SETTINGS = (b"[PARAMETER]\r\nSampleMode=2\r\nAttenuator=0\r\nDittering=1\r\nNoisBlanker=3\r\n"
            b"dBOffset=-174\r\n[POSITION]\r\nWindowTop=-20\r\nWindowLeft=-1300\r\n")

# Name pools start with these, then the names found in the file.
SECTIONS = ["PARAMETER", "POSITION", "S", ""]
KEYS = ["SampleMode", "dBOffset", "WindowTop", "k", ""]


def name(selector):
    if isinstance(selector, int):
        return bytes([selector])
    raw = selector.encode("latin-1")
    return b"\xff" + bytes([len(raw)]) + raw


def read(section, key, default, spell_section=0, spell_key=0):
    opcode = (spell_section << 1) | (spell_key << 3)
    return bytes([opcode]) + name(section) + name(key) + struct.pack("<i", default)


def write(section, key, value, spell_section=0, spell_key=0):
    """value: an int (plain decimal), or (form, payload) for the other forms."""
    form, payload = (0, struct.pack("<i", value)) if isinstance(value, int) else value
    opcode = 1 | (spell_section << 1) | (spell_key << 3) | (form << 5)
    return bytes([opcode]) + name(section) + name(key) + payload


def text(value):
    raw = value.encode("latin-1")
    return (4, bytes([len(raw)]) + raw)


def script(file, *ops, no_file=False):
    return file + MARK + bytes([1 if no_file else 0]) + b"".join(ops)


SAVE_ALL = [write(0, 0, 4), write(0, "Attenuator", 1), write(0, "Dittering", 1), write(0, "NoisBlanker", 3),
            write(0, 1, -57), write(1, 2, -20), write(1, "WindowLeft", -1300)]
LOAD_ALL = [read(0, 0, 2), read(0, "Attenuator", 0), read(0, "Dittering", 0), read(0, "NoisBlanker", 0),
            read(0, 1, -174), read(1, 2, 100), read(1, "WindowLeft", 100)]

SEEDS = {
    # Plain files: the fixed script runs on them.
    "settings-crlf.ini": SETTINGS,
    "settings-lf.ini": SETTINGS.replace(b"\r\n", b"\n"),
    "settings-cr.ini": SETTINGS.replace(b"\r\n", b"\r"),
    "settings-no-final-newline.ini": SETTINGS.rstrip(b"\r\n"),
    "settings-utf8-marker.ini": b"\xef\xbb\xbf" + SETTINGS,
    "settings-by-hand.ini": b"; edited by hand\n\n[ parameter ]\n  samplemode = 4 ; fast\n\tDBOFFSET\t=\t-30\n\n"
                            b"[Position]\nwindowtop = 10\n",
    "empty.ini": b"",
    "only-blanks.ini": b" \t\r\n\r\n  \x1a\n",
    "duplicate-sections.ini": b"[PARAMETER]\nSampleMode=1\n[POSITION]\nWindowTop=5\n[parameter]\nSampleMode=3\n"
                              b"dBOffset=-100\n",
    "duplicate-keys.ini": b"[S]\nk=1\nK=2\nk = 3\n",
    "odd-numbers.ini": b"[S]\r\nk=0x1F\r\nhex=0X1f\r\noct=0o17\r\nbin=0b101\r\nplus=+12\r\ntwo=--5\r\n"
                       b"quoted=\"42\"\r\nsingle='7'\r\nhalf=\"42\r\nbig=4294967296\r\nwide=99999999999999999999\r\n"
                       b"min=-2147483648\r\nlow=-2147483649\r\nlead=0000000000000000000000000000000012\r\n"
                       b"digits=12345678901234567890123456789\r\ntrail=12abc\r\nctl=\x015\r\nfloat=3.9\r\n",
    "comments.ini": b"; top\n# hash\n[S]\n;k=3\n# k=4\nk=5\n\n\n; end\n",
    "odd-headers.ini": b"[S\nk=3\n[S]]\nk=4\n[T]x]\nk=5\n[U]x\nk=6\n  [ V ]  \nk=7\n[\tW\t]\nk=8\n",
    "nameless-header.ini": b"k=1\n[A]\na=1\n[]\nk=3\n[S]\nk=4\n",
    "long-line.ini": b"; " + b"long comment " * 450 + b"\n[S]\nk=9\n",
    "long-key.ini": b"[S]\n" + b"x" * 3000 + b"=1\nk=2\n",
    "long-value.ini": b"[S]\nk=" + b"9876543210" * 200 + b"\n",
    "long-section.ini": b"[" + b"n" * 500 + b"]\nk=2\n",
    "blanks-ctrl-z.ini": b"[S]\x1a\nk\f=\v8\x1a\n\x0bj\t=\t9\r\n",
    "nul-inside.ini": b"[S]\nk\x00x=1\nk=2\nv=3\x004\n[T\x00U]\nk=5\n",
    "binary-junk.ini": bytes((i * 37 + 11) % 256 if i % 7 else 0 for i in range(700)).replace(b"\n", b"\xff")
                       .replace(b"\r", b"\x00"),
    "no-equals.ini": b"[S]\nk\nj = \nflag\n",
    "empty-keys.ini": b"[S]\n=5\n==6\n\x00=7\n",
    "many-sections.ini": b"".join(b"[Sec%d]\r\nk=%d\r\nKey%d=%d\r\n" % (i, i, i, -i) for i in range(40)),
    # Scripts.
    "save-then-load.bin": script(b"", *SAVE_ALL, *LOAD_ALL, no_file=True),
    "save-over-settings.bin": script(SETTINGS, *SAVE_ALL, *LOAD_ALL),
    "nameless-section-writes.bin": script(b"", write(3, "x", 2), write("S", 3, 5), read(3, "x", 0), read(2, 3, 0)),
    "same-value-again.bin": script(b"[S]\n k = 1 \n\n", write(2, 3, 1), write(2, 3, text(" 1")), read(2, 3, 0)),
    "spelled-names.bin": script(SETTINGS, read(0, 0, 9, 1, 2), read(1, 2, 9, 3, 3), write(0, 1, 7, 2, 1),
                                read(0, 1, 0, 3, 0), write(" New Section ", " New Key ", 12), read("new section", "NEW KEY", 0)),
    "value-forms.bin": script(b"[S]\nk=1\n", write(2, 3, text("\"42\"")), read(2, 3, 5), write(2, 3, text("   -9 ")),
                              read(2, 3, 5), write(2, 3, (5, struct.pack("<I", 0xDEADBEEF))), read(2, 3, 5),
                              write(2, 3, (6, struct.pack("<i", -174))), read(2, 3, 5),
                              write(2, 3, (7, struct.pack("<q", -(1 << 40) - 3))), read(2, 3, 5),
                              write(2, 3, (3, struct.pack("<b", -128))), read(2, 3, 5), write(2, 3, text("")), read(2, 3, 5)),
    "extreme-ints.bin": script(b"", write(2, "low", -2147483648), write(2, "high", 2147483647), read(2, "low", 0),
                               read(2, "high", 0)),
    "line-break-in-value.bin": script(SETTINGS, write(0, 0, text("1\r\n[POSITION]\r\nWindowTop=99")), read(1, 2, 0),
                                      read(0, 0, 0)),
    "equals-in-key.bin": script(b"[S]\nk=1\n", write(2, "k=2", 5), read(2, 3, 0), write(2, "[T]", 6), read("T", 3, 0)),
    "write-after-nameless-header.bin": script(b"[A]\na=1\n[]\nk=3\n", write(2, 3, 5), read("A", 3, 0), read(3, 3, 0)),
    "write-to-duplicates.bin": script(b"[S]\nk=1\n[T]\nk=7\n[s]\nk=2\nj=5\n", write(2, "j", 6), read(2, "j", 0),
                                      write(2, 3, 8), read(2, 3, 0), read("T", 3, 0)),
    "write-nul-file.bin": script(b"[S]\n=1\n\x00[X]\n=2\nk\x00x=3\n", write(2, "new", 4), read(2, 4, 0), read(2, 3, 0)),
    "write-long-value.bin": script(b"[S]\nk=1\n", write(2, 3, text("9876543210" * 4)), read(2, 3, 77)),
    "write-utf8-marker.bin": script(b"\xef\xbb\xbf[S]\nk=8\n", write(2, 3, 5), write("T", 3, 6), read(2, 3, 0)),
}


def main():
    corpus = HERE / "corpus"
    corpus.mkdir(exist_ok=True)
    for old in corpus.iterdir():
        old.unlink()
    for file_name, data in SEEDS.items():
        (corpus / file_name).write_bytes(data)
    print(f"{len(SEEDS)} seeds in {corpus}")


if __name__ == "__main__":
    main()
