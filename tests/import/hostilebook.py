# Writes a workbook of one sheet whose sheetData holds the given XML; the sheet is stored
# uncompressed, so a test can change its bytes in place.
#
#   hostilebook.py OUT SHEETDATA
import sys
import zipfile

REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG = "http://schemas.openxmlformats.org/package/2006/relationships"
MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
PARTS = {
    "_rels/.rels": f'<Relationships xmlns="{PKG}"><Relationship Id="r1" '
    f'Type="{REL}/officeDocument" Target="xl/workbook.xml"/></Relationships>',
    "xl/workbook.xml": f'<workbook xmlns="{MAIN}" xmlns:r="{REL}"><sheets>'
    '<sheet name="代理" sheetId="1" r:id="r1"/></sheets></workbook>',
    "xl/_rels/workbook.xml.rels": f'<Relationships xmlns="{PKG}"><Relationship Id="r1" '
    f'Type="{REL}/worksheet" Target="worksheets/sheet1.xml"/></Relationships>',
}

out, sheet_data = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
    for name, text in PARTS.items():
        z.writestr(name, text)
    z.writestr("xl/worksheets/sheet1.xml",
               f'<worksheet xmlns="{MAIN}"><sheetData>{sheet_data}</sheetData></worksheet>',
               zipfile.ZIP_STORED)
