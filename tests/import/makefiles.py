# Makes the spreadsheet files the import tests read: workbooks written by openpyxl, a workbook
# written part by part as Excel writes it (formulas with their cached results, rich text,
# phonetic guides, merged cells), and Office compound files: a workbook encrypted with a
# password (ECMA-376 standard encryption, checked by decrypting it with msoffcrypto) and an
# Excel 97-2003 workbook container.
#
#   makefiles.py KIND OUT [ARGS...]
import datetime
import hashlib
import io
import os
import struct
import sys
import zipfile


def basic(out):
    import openpyxl

    wb = openpyxl.Workbook()
    notes = wb.active
    notes.title = "说明"
    notes.append(["这一页不导入"])
    notes.sheet_state = "hidden"
    ws = wb.create_sheet("代理")
    ws.append(["代理编号", "商务代理名称", "建档日期", "数量", "是否", "备注", "时间"])
    ws.append(["A001", "北京公司", datetime.date(2024, 5, 1), 12, True, None,
               datetime.datetime(2024, 5, 2, 13, 45, 10)])
    ws.append(["A002", "上海\n公司", datetime.date(1999, 12, 31), 3.25, False, "注", None])
    ws.append([None] * 7)
    ws.append([None, None, None, None, None, "只有备注"])
    ws["C3"].number_format = "yyyy年m月d日"
    other = wb.create_sheet("其他")
    other.append(["第三页"])
    wb.active = 1
    wb.save(out)


def dates1904(out):
    import openpyxl
    from openpyxl.utils.datetime import CALENDAR_MAC_1904

    wb = openpyxl.Workbook()
    wb.epoch = CALENDAR_MAC_1904
    ws = wb.active
    ws.append(["日期"])
    ws.append([datetime.date(2024, 5, 1)])
    wb.save(out)


def merged(out):
    import openpyxl

    wb = openpyxl.Workbook()
    ws = wb.active
    ws.append(["地区", "代理编号"])
    ws.append(["华北", "A001"])
    ws.append([None, "A002"])
    ws.append(["华东", "A003"])
    ws.merge_cells("A2:A3")
    wb.save(out)


SHEET = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<x:sheetData>
<x:row r="1"><x:c r="A1" t="s"><x:v>0</x:v></x:c><x:c r="B1" t="s"><x:v>1</x:v></x:c>
<x:c r="C1" t="inlineStr"><x:is><x:t>合计</x:t></x:is></x:c><x:c r="D1" t="inlineStr"><x:is><x:t>标签</x:t></x:is></x:c>
<x:c r="E1" t="inlineStr"><x:is><x:t>错误</x:t></x:is></x:c><x:c r="F1" t="inlineStr"><x:is><x:t>日期</x:t></x:is></x:c>
<x:c r="G1" t="inlineStr"><x:is><x:t>真假</x:t></x:is></x:c></x:row>
<x:row r="3"><x:c r="A3"><x:v>42</x:v></x:c><x:c r="B3" t="s"><x:v>2</x:v></x:c>
<x:c r="C3"><x:f>A3*2</x:f><x:v>84</x:v></x:c><x:c r="D3" t="str"><x:f>B3&amp;"x"</x:f><x:v>东京x</x:v></x:c>
<x:c r="E3" t="e"><x:f>1/0</x:f><x:v>#DIV/0!</x:v></x:c><x:c r="F3" s="1"><x:f>DATE(2024,2,29)</x:f><x:v>45351</x:v></x:c>
<x:c r="G3" t="b"><x:f>A3&gt;1</x:f><x:v>1</x:v></x:c></x:row>
<x:row><x:c><x:v>7</x:v></x:c><x:c t="s"><x:v>3</x:v></x:c><x:c r="D4" t="inlineStr"><x:is><x:r><x:t>富</x:t></x:r><x:r><x:t xml:space="preserve">文本 </x:t></x:r></x:is></x:c>
<x:c r="F4" s="2"><x:v>45351.75</x:v></x:c><x:c r="G4"><x:f>SUM(A1:A2)</x:f></x:c></x:row>
<x:row r="5"><x:c r="A5" t="s"><x:v>4</x:v></x:c></x:row>
<x:row r="6"><x:c r="A6" t="s"><x:v>5</x:v></x:c></x:row>
</x:sheetData>
<x:mergeCells count="1"><x:mergeCell ref="A5:A6"/></x:mergeCells>
</x:worksheet>"""

STRINGS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="6" uniqueCount="6">
<si><t>数值</t></si>
<si><t>名称</t></si>
<si><r><rPr><b/></rPr><t>東京</t></r><rPh sb="0" eb="2"><t>トウキョウ</t></rPh></si>
<si><t>第一行_x000D_第二行</t></si>
<si><t>合并</t></si>
<si><t></t></si>
</sst>"""

STYLES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<numFmts count="1"><numFmt numFmtId="170" formatCode="[$-F800]dddd\\,\\ mmmm\\ dd\\,\\ yyyy"/></numFmts>
<fonts count="1"><font><sz val="11"/></font></fonts>
<fills count="1"><fill><patternFill patternType="none"/></fill></fills>
<borders count="1"><border/></borders>
<cellStyleXfs count="1"><xf numFmtId="14" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>
<cellXfs count="3"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/>
<xf numFmtId="14" fontId="0" fillId="0" borderId="0" applyNumberFormat="1"/>
<xf numFmtId="170" fontId="0" fillId="0" borderId="0" applyNumberFormat="1"/></cellXfs>
</styleSheet>"""


def handmade(out):
    parts = {
        "[Content_Types].xml": """<?xml version="1.0" encoding="UTF-8"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
<Override PartName="/book/main.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>
<Override PartName="/book/sheets/one.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>
<Override PartName="/book/strings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>
<Override PartName="/book/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>
</Types>""",
        "_rels/.rels": """<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="book/main.xml"/>
</Relationships>""",
        "book/main.xml": """<?xml version="1.0" encoding="UTF-8"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"
 xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<sheets><sheet name="公式" sheetId="1" r:id="rId7"/></sheets></workbook>""",
        "book/_rels/main.xml.rels": """<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId7" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="sheets/../sheets/one.xml"/>
<Relationship Id="rId8" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="/book/strings.xml"/>
<Relationship Id="rId9" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>
</Relationships>""",
        "book/sheets/one.xml": SHEET,
        "book/strings.xml": STRINGS,
        "book/styles.xml": STYLES,
    }
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in parts.items():
            z.writestr(name, text)


# ---------------------------------------------------------------- compound files

FREE, END, FATSECT, NOSTREAM = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFF


def compound(streams):
    """A compound file (version 3, 512-byte sectors) holding the streams, each at least 4096
    bytes long so that every stream lives in regular sectors."""
    sector = 512
    data, fat, starts = b"", [], []
    for name, content in streams:
        assert len(content) >= 4096
        n = (len(content) + sector - 1) // sector
        starts.append(len(fat))
        fat += [len(fat) + i + 1 for i in range(n - 1)] + [END]
        data += content.ljust(n * sector, b"\0")
    directory_sector = len(fat)
    fat.append(END)
    fat_sector = len(fat)
    fat.append(FATSECT)
    fat += [FREE] * (128 - len(fat) % 128 if len(fat) % 128 else 0)
    assert len(fat) == 128

    def entry(name, kind, child, right, start, size):
        raw = name.encode("utf-16le") + b"\0\0" if name else b""
        return (raw.ljust(64, b"\0") + struct.pack("<HBB", len(raw), kind, 1)
                + struct.pack("<III", NOSTREAM, right, child) + b"\0" * 16 + b"\0" * 4
                + b"\0" * 16 + struct.pack("<IQ", start, size))

    # The root's tree: the first stream, the second as its right sibling (names sort by length).
    entries = entry("Root Entry", 5, 1, NOSTREAM, END, 0)
    for i, (name, content) in enumerate(streams):
        right = i + 2 if i + 1 < len(streams) else NOSTREAM
        entries += entry(name, 2, NOSTREAM, right, starts[i], len(content))
    entries = entries.ljust(sector, b"\0")
    assert len(entries) == sector

    header = (bytes.fromhex("d0cf11e0a1b11ae1") + b"\0" * 16
              + struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\0" * 6
              + struct.pack("<IIIIIIIII", 0, 1, directory_sector, 0, 4096, END, 0, END, 0)
              + struct.pack("<I", fat_sector) + struct.pack("<I", FREE) * 108)
    assert len(header) == 512
    return header + data + entries + struct.pack("<%dI" % len(fat), *fat)


def standard_key(password, salt):
    h = hashlib.sha1(salt + password.encode("utf-16le")).digest()
    for i in range(50000):
        h = hashlib.sha1(struct.pack("<I", i) + h).digest()
    h = hashlib.sha1(h + struct.pack("<I", 0)).digest()
    x1 = hashlib.sha1(bytes(a ^ b for a, b in zip(h, b"\x36" * 20)) + b"\x36" * 44).digest()
    return x1[:16]


def encrypted(out, password, source):
    from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

    package = open(source, "rb").read()
    salt, verifier = os.urandom(16), os.urandom(16)
    key = standard_key(password, salt)

    def aes(data):
        e = Cipher(algorithms.AES(key), modes.ECB()).encryptor()
        return e.update(data) + e.finalize()

    csp = "Microsoft Enhanced RSA and AES Cryptographic Provider\0".encode("utf-16le")
    header = struct.pack("<IIIIIIII", 0x24, 0, 0x660E, 0x8004, 128, 0x18, 0, 0) + csp
    hashed = hashlib.sha1(verifier).digest().ljust(32, b"\0")
    info = (struct.pack("<HHI", 3, 2, 0x24) + struct.pack("<I", len(header)) + header
            + struct.pack("<I", 16) + salt + aes(verifier) + struct.pack("<I", 20) + aes(hashed))
    padded = package.ljust((len(package) + 15) // 16 * 16, b"\0")
    body = struct.pack("<Q", len(package)) + aes(padded)
    with open(out, "wb") as f:
        f.write(compound([("EncryptionInfo", info.ljust(4096, b"\0")),
                          ("EncryptedPackage", body.ljust(4096, b"\0"))]))


def legacy(out):
    # A BIFF8 workbook stream begins with a BOF record; the rest does not matter here.
    bof = struct.pack("<HHHHII", 0x0809, 16, 0x0600, 0x0005, 0, 0)
    with open(out, "wb") as f:
        f.write(compound([("Workbook", bof.ljust(4096, b"\0"))]))


if __name__ == "__main__":
    kind, out, *rest = sys.argv[1:]
    {"basic": basic, "dates1904": dates1904, "merged": merged, "handmade": handmade,
     "encrypted": encrypted, "legacy": legacy}[kind](out, *rest)
