#!/usr/bin/env python3
"""Writes the four report templates of resources/res.

    python3 tools/make_templates.py [output-folder]

The templates are single-file web pages (MIME multipart/related, the form in
which Word and Excel save a document as "single file web page"): a main part
with the report as quoted-printable HTML, the phasor diagram picture part,
blank fallback pictures, Word's header part and the file list. The exports
read a template as text and replace the numbered placeholders "%1", "%2", ...
with the values of a measurement group, the diagram's base64 text last.

The tables come from resources/res/tables.json, which the PDF page reads
too. Only the Python standard library is used, and the output is the same,
byte for byte, on every run (no dates, no random names); a test writes the
templates again and compares them with those committed.
"""

import base64
import json
import os
import re
import struct
import sys

CRLF = "\r\n"

# Shown by mail and web-archive readers that do not understand the format;
# the only line of a template outside 7-bit ASCII (GBK, as the Chinese
# editions of Office write it).
PREAMBLE = ("此文档为“单个文件网页”，也称为“Web 档案”文件。"
            "如果您看到此消息，但是您的浏览器或编辑器不支持“Web 档案”文件。"
            "请下载支持“Web 档案”的浏览器，如 Microsoft Internet Explorer。")

TITLE = "测试报告"
DOCUMENT_TITLE = "项目"
SONG_TI_REF = "&#23435;&#20307;"      # 宋体 in an HTML attribute
SONG_TI_CSS = "\\5B8B\\4F53"          # 宋体 in a style sheet


# ---------------------------------------------------------------------------
# Text helpers

def refs(text):
    """HTML text with every non-ASCII character as a character reference.

    Markup in `text` is kept; the degree sign becomes "&deg;"."""
    out = []
    for ch in text:
        if ch == "\u00b0":
            out.append("&deg;")
        elif ord(ch) > 127:
            out.append("&#%d;" % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


def is_ascii(text):
    return all(ord(ch) < 128 for ch in text)


# A placeholder is never broken by a soft line break; "=XX" escapes neither.
_QP_TOKEN = re.compile(r"%\d+|.", re.S)


def quoted_printable(text):
    """Quoted-printable form of `text` (CR LF line ends) as Office writes
    it: "=" as "=3D", lines of at most 76 characters with soft breaks."""
    assert "\n" not in text.replace(CRLF, ""), "bare line feed"
    lines = []
    for line in text.split(CRLF):
        tokens = []
        for match in _QP_TOKEN.finditer(line):
            token = match.group(0)
            if token == "=":
                token = "=3D"
            elif len(token) == 1 and not (32 <= ord(token) <= 126 or token == "\t"):
                token = "=%02X" % ord(token)
            tokens.append(token)
        if tokens and tokens[-1] in (" ", "\t"):
            tokens[-1] = "=%02X" % ord(tokens[-1])
        current = ""
        remaining = sum(len(t) for t in tokens)
        i = 0
        while i < len(tokens):
            if len(current) + remaining <= 76:
                current += "".join(tokens[i:])
                break
            token = tokens[i]
            if current and len(current) + len(token) > 75:
                lines.append(current + "=")
                current = ""
                continue
            current += token
            remaining -= len(token)
            i += 1
        lines.append(current)
    return CRLF.join(lines)


def base64_lines(data):
    text = base64.b64encode(data).decode("ascii")
    return CRLF.join(text[i:i + 76] for i in range(0, len(text), 76)) + CRLF


# ---------------------------------------------------------------------------
# Blank pictures, written by hand: a greyscale baseline JPEG whose blocks are
# all white, and a two-colour GIF whose pixels are all white.

def blank_jpeg(width, height):
    def segment(marker, payload):
        return bytes([0xFF, marker]) + struct.pack(">H", len(payload) + 2) + payload

    jfif = segment(0xE0, b"JFIF\0" + bytes([1, 1, 1]) + struct.pack(">HH", 96, 96) + b"\0\0")
    quantisation = segment(0xDB, bytes([0]) + bytes([8] * 64))
    frame = segment(0xC0, bytes([8]) + struct.pack(">HH", height, width) + bytes([1, 1, 0x11, 0]))
    # DC table: difference category 0 -> "0", category 7 -> "10".
    dc_table = segment(0xC4, bytes([0x00]) + bytes([1, 1] + [0] * 14) + bytes([0, 7]))
    # AC table: only end-of-block -> "0".
    ac_table = segment(0xC4, bytes([0x10]) + bytes([1] + [0] * 15) + bytes([0]))
    scan = segment(0xDA, bytes([1, 1, 0x00, 0, 63, 0]))

    blocks = ((width + 7) // 8) * ((height + 7) // 8)
    # White is 255, level-shifted 127, a DC coefficient of 1016 = 127 * 8:
    # the first block codes the difference 127, every other block 0.
    bits = "10" + "1111111" + "0" + "00" * (blocks - 1)
    bits += "1" * (-len(bits) % 8)
    data = bytearray()
    for i in range(0, len(bits), 8):
        byte = int(bits[i:i + 8], 2)
        data.append(byte)
        if byte == 0xFF:
            data.append(0x00)
    return (b"\xFF\xD8" + jfif + quantisation + frame + dc_table + ac_table
            + scan + bytes(data) + b"\xFF\xD9")


def _lzw(pixels, minimum_code_size):
    clear = 1 << minimum_code_size
    end = clear + 1
    out = bytearray()
    state = {"acc": 0, "bits": 0}

    def put(code, size):
        state["acc"] |= code << state["bits"]
        state["bits"] += size
        while state["bits"] >= 8:
            out.append(state["acc"] & 0xFF)
            state["acc"] >>= 8
            state["bits"] -= 8

    def fresh():
        return {}, end + 1, minimum_code_size + 1

    table, next_code, size = fresh()
    put(clear, size)
    prefix = None
    for pixel in pixels:
        if prefix is None:
            prefix = pixel
            continue
        key = (prefix, pixel)
        if key in table:
            prefix = table[key]
            continue
        put(prefix, size)
        if next_code < 4096:
            table[key] = next_code
            if next_code == (1 << size) and size < 12:
                size += 1
            next_code += 1
        else:
            put(clear, size)
            table, next_code, size = fresh()
        prefix = pixel
    if prefix is not None:
        put(prefix, size)
    put(end, size)
    if state["bits"]:
        out.append(state["acc"] & 0xFF)
    return bytes(out)


def blank_gif(width, height):
    screen = struct.pack("<HHBBB", width, height, 0x80, 0, 0)
    palette = bytes([0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00])
    descriptor = b"," + struct.pack("<HHHHB", 0, 0, width, height, 0)
    data = _lzw(bytes(width * height), 2)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255]
                      for i in range(0, len(data), 255))
    return b"GIF89a" + screen + palette + descriptor + bytes([2]) + blocks + b"\0;"


# ---------------------------------------------------------------------------
# The report's tables, described once in resources/res/tables.json for the
# templates and the PDF page. Cell texts are HTML (Chinese as such, turned
# into references on output).

TABLES_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                           "..", "resources", "res", "tables.json")


class Cell:
    def __init__(self, description):
        self.text = description["text"]
        self.kind = description["kind"]   # head, number, label, value, phase
        self.rowspan = description.get("rows", 1)
        self.colspan = description.get("cols", 1)


def load_tables():
    """Per wiring system: the headings, and per table its column widths and
    its rows of cells."""
    with open(TABLES_FILE, encoding="utf-8") as f:
        described = json.load(f)
    return {wiring: (described[wiring]["headings"],
                     [(table["columns"], [[Cell(c) for c in row] for row in table["rows"]])
                      for table in described[wiring]["tables"]])
            for wiring in ("3x4", "3x3")}


TABLES = load_tables()


# ---------------------------------------------------------------------------
# The four templates

class Template:
    def __init__(self, file_name, boundary, location, folder, wiring, excel):
        self.file_name = file_name     # resources/res/<file_name>
        self.boundary = boundary
        self.location = location       # of the main part
        self.folder = folder           # of the other parts, relative
        self.wiring = wiring           # "3x4" or "3x3"
        self.excel = excel
        self.directory = location.rsplit("/", 1)[0] + "/"
        self.main_name = location.rsplit("/", 1)[1]

    def ref(self, name):
        """How the main part names another part."""
        return self.folder + name

    def part_location(self, name):
        return self.directory + self.folder + name

    @property
    def last_placeholder(self):
        return 29 if self.wiring == "3x4" else 20

    @property
    def headings(self):
        return TABLES[self.wiring][0]

    @property
    def tables(self):
        """(column widths, rows) of each table."""
        return TABLES[self.wiring][1]


TEMPLATES = [
    Template("3x4doc.xml", "----=_NextPart_01CE9D94.13007200",
             "file:///C:/AD9B9E43/3x4doc.htm", "3x4doc.files/", "3x4", False),
    Template("3x3doc.xml", "----=_NextPart_01CE9D07.BC3A43B0",
             "file:///C:/B1335B33/3x3.htm", "3x3.files/", "3x3", False),
    Template("3x4xls.xml", "----=_NextPart_01CE9D94.644C0F70",
             "file:///C:/AD9BEDF3/3x4xls.htm", "3x4xls.files/", "3x4", True),
    Template("3x3xls.xml", "----=_NextPart_01CE9D13.42DCD030",
             "file:///C:/AD9B6DF3/3x3xls.htm", "3x3xls.files/", "3x3", True),
]


VML_PICTURE_TYPE = """<v:shapetype id="_x0000_t75" coordsize="21600,21600" o:spt="75"
 o:preferrelative="t" path="m@4@5l@4@11@9@11@9@5xe" filled="f" stroked="f">
 <v:stroke joinstyle="miter"/>
 <v:formulas>
  <v:f eqn="if lineDrawn pixelLineWidth 0"/>
  <v:f eqn="sum @0 1 0"/>
  <v:f eqn="sum 0 0 @1"/>
  <v:f eqn="prod @2 1 2"/>
  <v:f eqn="prod @3 21600 pixelWidth"/>
  <v:f eqn="prod @3 21600 pixelHeight"/>
  <v:f eqn="sum @0 0 1"/>
  <v:f eqn="prod @6 1 2"/>
  <v:f eqn="prod @7 21600 pixelWidth"/>
  <v:f eqn="sum @8 21600 0"/>
  <v:f eqn="prod @7 21600 pixelHeight"/>
  <v:f eqn="sum @10 21600 0"/>
 </v:formulas>
 <v:path o:extrusionok="f" gradientshapeok="t" o:connecttype="rect"/>
 <o:lock v:ext="edit" aspectratio="t"/>
</v:shapetype>"""


def px(points):
    return int(round(points * 96 / 72))


def pt(points):
    """Points as Word writes them: "72.0", "415.5", "42.55"."""
    text = ("%.2f" % points).rstrip("0")
    return text + "0" if text.endswith(".") else text


def xpt(points):
    """Points as Excel writes them: "94", "16.5", "485.25"."""
    return ("%.2f" % points).rstrip("0").rstrip(".")


# ---------------------------------------------------------------------------
# Word

WORD_CELL_SPAN = "<span lang=EN-US style='font-size:10.5pt;mso-bidi-font-size:12.0pt'>"
WORD_CENTRED = "<p class=MsoNormal align=center style='text-align:center'>"
WORD_CELL_STYLE = ("border:solid windowtext 1.0pt;mso-border-alt:solid windowtext .5pt;"
                   "padding:0cm 5.4pt 0cm 5.4pt")

def word_cell_content(cell):
    if cell.kind == "phase":
        # The export puts the phase-sequence paragraphs here: the placeholder
        # is the span's whole content and "</span></p>" follows it directly.
        return WORD_CENTRED + WORD_CELL_SPAN + cell.text + "</span></p>"
    if cell.kind == "value":
        return WORD_CENTRED + WORD_CELL_SPAN + cell.text + "<o:p></o:p></span></p>"
    if is_ascii(cell.text):
        return WORD_CENTRED + WORD_CELL_SPAN + cell.text + "<o:p></o:p></span></p>"
    return (WORD_CENTRED + "<span style='font-size:10.5pt;font-family:" + SONG_TI_REF
            + "'>" + refs(cell.text) + "</span>" + "<span lang=EN-US style='font-size:"
            "10.5pt'><o:p></o:p></span></p>")


def word_table(rows, grid):
    out = ["<div align=center>",
           "",
           "<table class=MsoTableGrid border=1 cellspacing=0 cellpadding=0",
           " style='border-collapse:collapse;border:none;mso-border-alt:solid windowtext .5pt;",
           " mso-yfti-tbllook:480;mso-padding-alt:0cm 5.4pt 0cm 5.4pt;mso-border-insideh:",
           " .5pt solid windowtext;mso-border-insidev:.5pt solid windowtext'>"]
    occupied = {}   # (row, column) covered by a rowspan from above
    for r, row in enumerate(rows):
        flags = "mso-yfti-irow:%d" % r
        if r == 0:
            flags += ";mso-yfti-firstrow:yes"
        if r == len(rows) - 1:
            flags += ";mso-yfti-lastrow:yes"
        out.append(" <tr style='%s;height:17.0pt'>" % flags)
        column = 0
        for cell in row:
            while occupied.get((r, column)):
                column += 1
            width = sum(grid[column:column + cell.colspan])
            for dr in range(cell.rowspan):
                for dc in range(cell.colspan):
                    occupied[(r + dr, column + dc)] = True
            column += cell.colspan
            attributes = "width=%d" % px(width)
            if cell.rowspan > 1:
                attributes += " rowspan=%d" % cell.rowspan
            if cell.colspan > 1:
                attributes += " colspan=%d" % cell.colspan
            out.append("  <td %s style='width:%spt;%s;height:17.0pt'>"
                       % (attributes, pt(width), WORD_CELL_STYLE))
            out.append("  " + word_cell_content(cell))
            out.append("  </td>")
        out.append(" </tr>")
    out += ["</table>", "", "</div>"]
    return out


def word_heading(text):
    return ("<p class=MsoNormal><b style='mso-bidi-font-weight:normal'><span style='"
            "font-family:" + SONG_TI_REF + "'>" + refs(text) + "</span></b><b style='"
            "mso-bidi-font-weight:normal'><span lang=EN-US><o:p></o:p></span></b></p>")


WORD_EMPTY_LINE = "<p class=MsoNormal><span lang=EN-US><o:p>&nbsp;</o:p></span></p>"


def word_main(t):
    header = t.ref("header.htm")
    lines = """<html xmlns:v="urn:schemas-microsoft-com:vml"
xmlns:o="urn:schemas-microsoft-com:office:office"
xmlns:w="urn:schemas-microsoft-com:office:word"
xmlns="http://www.w3.org/TR/REC-html40">

<head>
<meta http-equiv=Content-Type content="text/html; charset=us-ascii">
<meta name=ProgId content=Word.Document>
<meta name=Generator content="Microsoft Word 11">
<meta name=Originator content="Microsoft Word 11">
<link rel=File-List href="{filelist}">
<!--[if !mso]>
<style>
v\\:* {{behavior:url(#default#VML);}}
o\\:* {{behavior:url(#default#VML);}}
w\\:* {{behavior:url(#default#VML);}}
.shape {{behavior:url(#default#VML);}}
</style>
<![endif]-->
<title>{title}</title>
<!--[if gte mso 9]><xml>
 <o:DocumentProperties>
  <o:Author></o:Author>
  <o:LastAuthor></o:LastAuthor>
  <o:Revision>1</o:Revision>
  <o:Pages>1</o:Pages>
  <o:Company></o:Company>
  <o:Version>11.0000</o:Version>
 </o:DocumentProperties>
</xml><![endif]-->
<!--[if gte mso 9]><xml>
 <w:WordDocument>
  <w:View>Print</w:View>
  <w:SpellingState>Clean</w:SpellingState>
  <w:GrammarState>Clean</w:GrammarState>
  <w:PunctuationKerning/>
  <w:DrawingGridVerticalSpacing>7.8 pt</w:DrawingGridVerticalSpacing>
  <w:DisplayHorizontalDrawingGridEvery>0</w:DisplayHorizontalDrawingGridEvery>
  <w:DisplayVerticalDrawingGridEvery>2</w:DisplayVerticalDrawingGridEvery>
  <w:ValidateAgainstSchemas/>
  <w:SaveIfXMLInvalid>false</w:SaveIfXMLInvalid>
  <w:IgnoreMixedContent>false</w:IgnoreMixedContent>
  <w:AlwaysShowPlaceholderText>false</w:AlwaysShowPlaceholderText>
  <w:Compatibility>
   <w:SpaceForUL/>
   <w:BalanceSingleByteDoubleByteWidth/>
   <w:DoNotLeaveBackslashAlone/>
   <w:ULTrailSpace/>
   <w:DoNotExpandShiftReturn/>
   <w:AdjustLineHeightInTable/>
   <w:BreakWrappedTables/>
   <w:SnapToGridInCell/>
   <w:WrapTextWithPunct/>
   <w:UseAsianBreakRules/>
   <w:DontGrowAutofit/>
   <w:UseFELayout/>
  </w:Compatibility>
  <w:BrowserLevel>MicrosoftInternetExplorer4</w:BrowserLevel>
 </w:WordDocument>
</xml><![endif]--><!--[if gte mso 9]><xml>
 <w:LatentStyles DefLockedState="false" LatentStyleCount="156">
 </w:LatentStyles>
</xml><![endif]-->
<style>
<!--
 /* Font Definitions */
 @font-face
\t{{font-family:{songti};
\tpanose-1:2 1 6 0 3 1 1 1 1 1;
\tmso-font-alt:SimSun;
\tmso-font-charset:134;
\tmso-generic-font-family:auto;
\tmso-font-pitch:variable;
\tmso-font-signature:3 135135232 16 0 262145 0;}}
@font-face
\t{{font-family:"\\@{songti}";
\tpanose-1:2 1 6 0 3 1 1 1 1 1;
\tmso-font-charset:134;
\tmso-generic-font-family:auto;
\tmso-font-pitch:variable;
\tmso-font-signature:3 135135232 16 0 262145 0;}}
 /* Style Definitions */
 p.MsoNormal, li.MsoNormal, div.MsoNormal
\t{{mso-style-parent:"";
\tmargin:0cm;
\tmargin-bottom:.0001pt;
\ttext-align:justify;
\ttext-justify:inter-ideograph;
\tmso-pagination:none;
\tfont-size:12.0pt;
\tfont-family:"Times New Roman";
\tmso-fareast-font-family:{songti};
\tmso-font-kerning:1.0pt;}}
p.MsoHeader, li.MsoHeader, div.MsoHeader
\t{{margin:0cm;
\tmargin-bottom:.0001pt;
\ttext-align:center;
\tmso-pagination:none;
\ttab-stops:center 207.65pt right 415.3pt;
\tlayout-grid-mode:char;
\tborder:none;
\tmso-border-bottom-alt:solid windowtext .75pt;
\tpadding:0cm;
\tmso-padding-alt:0cm 0cm 1.0pt 0cm;
\tfont-size:9.0pt;
\tfont-family:"Times New Roman";
\tmso-fareast-font-family:{songti};
\tmso-font-kerning:1.0pt;}}
p.MsoFooter, li.MsoFooter, div.MsoFooter
\t{{margin:0cm;
\tmargin-bottom:.0001pt;
\tmso-pagination:none;
\ttab-stops:center 207.65pt right 415.3pt;
\tlayout-grid-mode:char;
\tfont-size:9.0pt;
\tfont-family:"Times New Roman";
\tmso-fareast-font-family:{songti};
\tmso-font-kerning:1.0pt;}}
 /* Page Definitions */
 @page
\t{{mso-page-border-surround-header:no;
\tmso-page-border-surround-footer:no;
\tmso-footnote-separator:url("{header}") fs;
\tmso-footnote-continuation-separator:url("{header}") fcs;
\tmso-endnote-separator:url("{header}") es;
\tmso-endnote-continuation-separator:url("{header}") ecs;}}
@page Section1
\t{{size:595.3pt 841.9pt;
\tmargin:72.0pt 90.0pt 72.0pt 90.0pt;
\tmso-header-margin:42.55pt;
\tmso-footer-margin:49.6pt;
\tmso-header:url("{header}") h1;
\tmso-footer:url("{header}") f1;
\tmso-paper-source:0;
\tlayout-grid:15.6pt;}}
div.Section1
\t{{page:Section1;}}
-->
</style>
<!--[if gte mso 10]>
<style>
 /* Style Definitions */
 table.MsoNormalTable
\t{{mso-style-name:"Table Normal";
\tmso-tstyle-rowband-size:0;
\tmso-tstyle-colband-size:0;
\tmso-style-noshow:yes;
\tmso-style-parent:"";
\tmso-padding-alt:0cm 5.4pt 0cm 5.4pt;
\tmso-para-margin:0cm;
\tmso-para-margin-bottom:.0001pt;
\tmso-pagination:widow-orphan;
\tfont-size:10.0pt;
\tfont-family:"Times New Roman";
\tmso-ansi-language:#0400;
\tmso-fareast-language:#0400;
\tmso-bidi-language:#0400;}}
table.MsoTableGrid
\t{{mso-style-name:"Table Grid";
\tmso-tstyle-rowband-size:0;
\tmso-tstyle-colband-size:0;
\tborder:solid windowtext 1.0pt;
\tmso-border-alt:solid windowtext .5pt;
\tmso-padding-alt:0cm 5.4pt 0cm 5.4pt;
\tmso-border-insideh:.5pt solid windowtext;
\tmso-border-insidev:.5pt solid windowtext;
\tmso-para-margin:0cm;
\tmso-para-margin-bottom:.0001pt;
\ttext-align:justify;
\ttext-justify:inter-ideograph;
\tmso-pagination:none;
\tfont-size:10.0pt;
\tfont-family:"Times New Roman";
\tmso-ansi-language:#0400;
\tmso-fareast-language:#0400;
\tmso-bidi-language:#0400;}}
</style>
<![endif]--><!--[if gte mso 9]><xml>
 <o:shapedefaults v:ext="edit" spidmax="2050"/>
</xml><![endif]--><!--[if gte mso 9]><xml>
 <o:shapelayout v:ext="edit">
  <o:idmap v:ext="edit" data="1"/>
 </o:shapelayout></xml><![endif]-->
</head>

<body lang=ZH-CN style='tab-interval:21.0pt;text-justify-trim:punctuation'>

<div class=Section1 style='layout-grid:15.6pt'>
""".format(filelist=t.ref("filelist.xml"), title=refs(DOCUMENT_TITLE),
           songti=SONG_TI_CSS, header=header).split("\n")

    lines.append(WORD_CENTRED + "<b style='mso-bidi-font-weight:normal'><span style='"
                 "font-size:22.0pt;font-family:" + SONG_TI_REF + "'>" + refs(TITLE)
                 + "</span></b><b style='mso-bidi-font-weight:normal'><span lang=EN-US"
                 " style='font-size:22.0pt'><o:p></o:p></span></b></p>")
    lines.append("")
    lines.append(WORD_CENTRED + "<b style='mso-bidi-font-weight:normal'><span lang=EN-US"
                 " style='font-size:22.0pt'><o:p>&nbsp;</o:p></span></b></p>")
    lines.append("")
    for index, (grid, rows) in enumerate(t.tables):
        lines.append(word_heading(t.headings[index]))
        lines.append("")
        lines += word_table(rows, grid)
        lines.append("")
        lines.append(WORD_EMPTY_LINE)
        lines.append("")
    lines.append(word_heading(t.headings[3]))
    lines.append("")
    size = pt(415.5)
    lines += (WORD_CENTRED + "<span lang=EN-US><!--[if gte vml 1]>" + VML_PICTURE_TYPE
              + "<v:shape id=\"_x0000_i1025\" type=\"#_x0000_t75\" style='width:"
              + size + "pt;\n height:" + size + "pt'>\n <v:imagedata src=\""
              + t.ref("image001.jpg") + "\" o:title=\"\"/>\n</v:shape><![endif]-->"
              "<![if !vml]><img width=554 height=554\nsrc=\"" + t.ref("image002.jpg")
              + "\" v:shapes=\"_x0000_i1025\"><![endif]></span><span lang=EN-US>"
              "<o:p></o:p></span></p>").split("\n")
    lines += ["", "</div>", "", "</body>", "", "</html>", ""]
    return CRLF.join(lines)


def word_header_part(t):
    lines = """<html xmlns:v="urn:schemas-microsoft-com:vml"
xmlns:o="urn:schemas-microsoft-com:office:office"
xmlns:w="urn:schemas-microsoft-com:office:word"
xmlns="http://www.w3.org/TR/REC-html40">

<head>
<meta http-equiv=Content-Type content="text/html; charset=us-ascii">
<meta name=ProgId content=Word.Document>
<meta name=Generator content="Microsoft Word 11">
<meta name=Originator content="Microsoft Word 11">
<link id=Main-File rel=Main-File href="../{main}">
</head>

<body lang=ZH-CN>

<div style='mso-element:footnote-separator' id=fs>

<p class=MsoNormal><span lang=EN-US><span style='mso-special-character:footnote-separator'><![if !supportFootnotes]>

<hr align=left size=1 width="33%">

<![endif]></span></span></p>

</div>

<div style='mso-element:footnote-continuation-separator' id=fcs>

<p class=MsoNormal><span lang=EN-US><span style='mso-special-character:footnote-continuation-separator'><![if !supportFootnotes]>

<hr align=left size=1>

<![endif]></span></span></p>

</div>

<div style='mso-element:endnote-separator' id=es>

<p class=MsoNormal><span lang=EN-US><span style='mso-special-character:footnote-separator'><![if !supportFootnotes]>

<hr align=left size=1 width="33%">

<![endif]></span></span></p>

</div>

<div style='mso-element:endnote-continuation-separator' id=ecs>

<p class=MsoNormal><span lang=EN-US><span style='mso-special-character:footnote-continuation-separator'><![if !supportFootnotes]>

<hr align=left size=1>

<![endif]></span></span></p>

</div>

<div style='mso-element:header' id=h1>

<p class=MsoHeader><span lang=EN-US><o:p></o:p></span></p>

</div>

<div style='mso-element:footer' id=f1>

<p class=MsoFooter><span lang=EN-US><o:p></o:p></span></p>

</div>

</body>

</html>
""".format(main=t.main_name).split("\n")
    return CRLF.join(lines)


# ---------------------------------------------------------------------------
# Excel

EXCEL_WIDE = 94       # pt, the five columns of sections 1 to 3
EXCEL_NARROW = 54     # pt, the ten columns under the diagram
EXCEL_COLUMNS = 15
EXCEL_CLASS = {"head": "xl67", "number": "xl67", "label": "xl67",
               "value": "xl68", "phase": "xl69"}


class Sheet:
    """Per wiring system: row height, merged diagram area, pictures."""

    def __init__(self, t):
        self.t = t
        if t.wiring == "3x4":
            self.row_height = 16.5
            self.picture = (481.5, 485.25)
            self.fallback = ("image002.jpg", 642, 647)
            self.frame_fallback = "image003.gif"
        else:
            self.row_height = 21.0
            self.picture = (468.0, 459.0)
            self.fallback = ("image001.jpg", 624, 612)
            self.frame_fallback = "image002.gif"


def excel_style_sheet():
    return """<style>
<!--table
\t{{mso-displayed-decimal-separator:"\\.";
\tmso-displayed-thousand-separator:"\\,";}}
@page
\t{{margin:.75in .7in .75in .7in;
\tmso-header-margin:.3in;
\tmso-footer-margin:.3in;}}
tr
\t{{mso-height-source:auto;
\tmso-ruby-visibility:none;}}
col
\t{{mso-width-source:auto;
\tmso-ruby-visibility:none;}}
br
\t{{mso-data-placement:same-cell;}}
.style0
\t{{mso-number-format:General;
\ttext-align:general;
\tvertical-align:middle;
\twhite-space:nowrap;
\tmso-rotate:0;
\tmso-background-source:auto;
\tmso-pattern:auto;
\tcolor:windowtext;
\tfont-size:12.0pt;
\tfont-weight:400;
\tfont-style:normal;
\ttext-decoration:none;
\tfont-family:{songti};
\tmso-generic-font-family:auto;
\tmso-font-charset:134;
\tborder:none;
\tmso-protection:locked visible;
\tmso-style-name:Normal;
\tmso-style-id:0;}}
td
\t{{mso-style-parent:style0;
\tpadding-top:1px;
\tpadding-right:1px;
\tpadding-left:1px;
\tmso-ignore:padding;
\tcolor:windowtext;
\tfont-size:12.0pt;
\tfont-weight:400;
\tfont-style:normal;
\ttext-decoration:none;
\tfont-family:{songti};
\tmso-generic-font-family:auto;
\tmso-font-charset:134;
\tmso-number-format:General;
\ttext-align:general;
\tvertical-align:middle;
\tborder:none;
\tmso-background-source:auto;
\tmso-pattern:auto;
\tmso-protection:locked visible;
\twhite-space:nowrap;
\tmso-rotate:0;}}
.xl65
\t{{mso-style-parent:style0;
\tfont-size:24.0pt;
\tfont-weight:700;
\ttext-align:center;}}
.xl66
\t{{mso-style-parent:style0;
\tfont-weight:700;
\ttext-align:left;}}
.xl67
\t{{mso-style-parent:style0;
\tfont-size:10.5pt;
\ttext-align:center;
\tborder:.5pt solid windowtext;}}
.xl68
\t{{mso-style-parent:style0;
\tfont-size:10.5pt;
\tfont-family:"Times New Roman", serif;
\tmso-font-charset:0;
\ttext-align:center;
\tborder:.5pt solid windowtext;}}
.xl69
\t{{mso-style-parent:style0;
\tfont-size:10.5pt;
\tfont-family:"Times New Roman", serif;
\tmso-font-charset:0;
\ttext-align:center;
\tborder:.5pt solid windowtext;
\twhite-space:normal;
\tword-break:break-all;}}
.xl70
\t{{mso-style-parent:style0;
\ttext-align:left;
\tvertical-align:top;}}
-->
</style>""".format(songti=SONG_TI_CSS)


def excel_workbook():
    sheets = []
    for index in (1, 2, 3):
        options = ["    <x:WorksheetOptions>",
                   "     <x:DefaultRowHeight>285</x:DefaultRowHeight>"]
        if index == 1:
            options += ["     <x:Print>",
                        "      <x:ValidPrinterInfo/>",
                        "      <x:PaperSizeIndex>9</x:PaperSizeIndex>",
                        "      <x:HorizontalResolution>600</x:HorizontalResolution>",
                        "      <x:VerticalResolution>600</x:VerticalResolution>",
                        "     </x:Print>",
                        "     <x:Selected/>"]
        options += ["     <x:ProtectContents>False</x:ProtectContents>",
                    "     <x:ProtectObjects>False</x:ProtectObjects>",
                    "     <x:ProtectScenarios>False</x:ProtectScenarios>",
                    "    </x:WorksheetOptions>"]
        sheets += ["   <x:ExcelWorksheet>",
                   "    <x:Name>Sheet%d</x:Name>" % index] + options + [
                   "   </x:ExcelWorksheet>"]
    return "\n".join(["<!--[if gte mso 9]><xml>",
                      " <x:ExcelWorkbook>",
                      "  <x:ExcelWorksheets>"] + sheets + [
                      "  </x:ExcelWorksheets>",
                      "  <x:WindowHeight>9000</x:WindowHeight>",
                      "  <x:WindowWidth>20000</x:WindowWidth>",
                      "  <x:WindowTopX>0</x:WindowTopX>",
                      "  <x:WindowTopY>0</x:WindowTopY>",
                      "  <x:ProtectStructure>False</x:ProtectStructure>",
                      "  <x:ProtectWindows>False</x:ProtectWindows>",
                      " </x:ExcelWorkbook>",
                      "</xml><![endif]-->"])


def excel_shape(shape_id, spid, width, height, z, source, fallback, fallback_size,
                with_type):
    """A picture anchored at the top left of its cell: a VML shape for Excel,
    an absolutely placed image for readers without VML."""
    out = "<!--[if gte vml 1]>"
    if with_type:
        out += VML_PICTURE_TYPE
    out += ("<v:shape id=\"%s\" o:spid=\"%s\" type=\"#_x0000_t75\"\n"
            "   style='position:absolute;margin-left:0;margin-top:0;width:%spt;height:%spt;\n"
            "   z-index:%d;visibility:visible'>\n" % (shape_id, spid, xpt(width), xpt(height), z))
    if source:
        out += "   <v:imagedata src=\"%s\" o:title=\"\"/>\n" % source
    else:
        out += "   <v:imagedata o:title=\"\"/>\n"
    out += ("   <x:ClientData ObjectType=\"Pict\">\n"
            "    <x:SizeWithCells/>\n"
            "    <x:CF>Bitmap</x:CF>\n"
            "    <x:AutoPict/>\n"
            "   </x:ClientData>\n"
            "  </v:shape><![endif]--><![if !vml]><span style='mso-ignore:vglayout;\n"
            "  position:absolute;z-index:%d;margin-left:0px;margin-top:0px;width:%dpx;\n"
            "  height:%dpx'><img width=%d height=%d src=\"%s\"\n"
            "  v:shapes=\"%s\"></span><![endif]>"
            % (z, fallback_size[0], fallback_size[1], fallback_size[0], fallback_size[1],
               fallback, shape_id))
    return out


def excel_cell(cell, width_pt):
    attributes = ""
    if cell.rowspan > 1:
        attributes += " rowspan=%d" % cell.rowspan
    if cell.colspan > 1:
        attributes += " colspan=%d" % cell.colspan
    text = cell.text
    if cell.kind == "phase":
        # One wrapping cell over the group's rows; the export's one-line text
        # ends where the template's own degree sign follows.
        text = cell.text + "&deg;"
    return "  <td%s class=%s width=%d style='width:%spt'>%s</td>" % (
        attributes, EXCEL_CLASS[cell.kind], px(width_pt), xpt(width_pt), refs(text))


def excel_main(t):
    s = Sheet(t)
    h = s.row_height
    section1, section2, section3 = (rows for grid, rows in t.tables)
    # Rows from the column headings of section 1 to the last row of section 3,
    # the area covered by the diagram to their right.
    body_rows = list(section1)
    body_rows.append(None)
    body_rows.append(("heading", t.headings[1]))
    body_rows += section2
    body_rows.append(None)
    body_rows.append(("heading", t.headings[2]))
    body_rows += section3
    area_rows = len(body_rows)
    assert area_rows == (30 if t.wiring == "3x4" else 22), area_rows

    narrow_total = 9 * EXCEL_NARROW
    total_pt = 5 * EXCEL_WIDE + 10 * EXCEL_NARROW
    total_px = 5 * px(EXCEL_WIDE) + 10 * px(EXCEL_NARROW)

    lines = """<html xmlns:v="urn:schemas-microsoft-com:vml"
xmlns:o="urn:schemas-microsoft-com:office:office"
xmlns:x="urn:schemas-microsoft-com:office:excel"
xmlns="http://www.w3.org/TR/REC-html40">

<head>
<meta http-equiv=Content-Type content="text/html; charset=us-ascii">
<meta name=ProgId content=Excel.Sheet>
<meta name=Generator content="Microsoft Excel 11">
<link rel=File-List href="{filelist}">
<!--[if !mso]>
<style>
v\\:* {{behavior:url(#default#VML);}}
o\\:* {{behavior:url(#default#VML);}}
x\\:* {{behavior:url(#default#VML);}}
.shape {{behavior:url(#default#VML);}}
</style>
<![endif]-->
<!--[if gte mso 9]><xml>
 <o:DocumentProperties>
  <o:Author></o:Author>
  <o:LastAuthor></o:LastAuthor>
  <o:Company></o:Company>
  <o:Version>11.0000</o:Version>
 </o:DocumentProperties>
</xml><![endif]-->
""".format(filelist=t.ref("filelist.xml")).split("\n")
    lines.pop()
    lines += excel_style_sheet().split("\n")
    lines += excel_workbook().split("\n")
    lines += ["<!--[if gte mso 9]><xml>",
              " <o:shapedefaults v:ext=\"edit\" spidmax=\"1027\"/>",
              "</xml><![endif]--><!--[if gte mso 9]><xml>",
              " <o:shapelayout v:ext=\"edit\">",
              "  <o:idmap v:ext=\"edit\" data=\"1\"/>",
              " </o:shapelayout></xml><![endif]-->",
              "</head>",
              "",
              "<body link=blue vlink=purple>",
              "",
              "<table x:str border=0 cellpadding=0 cellspacing=0 width=%d style='border-collapse:"
              % total_px,
              " collapse;table-layout:fixed;width:%spt'>" % xpt(total_pt),
              " <col width=%d span=5 style='mso-width-source:userset;mso-width-alt:4010;"
              % px(EXCEL_WIDE),
              " width:%spt'>" % xpt(EXCEL_WIDE),
              " <col width=%d span=10 style='mso-width-source:userset;mso-width-alt:2304;"
              % px(EXCEL_NARROW),
              " width:%spt'>" % xpt(EXCEL_NARROW)]

    def tr(height_pt):
        return " <tr height=%d style='height:%spt'>" % (px(height_pt), xpt(height_pt))

    # Title over the whole width.
    lines += [tr(33.75),
              "  <td colspan=%d height=%d class=xl65 width=%d style='height:33.75pt;"
              "width:%spt'>%s</td>" % (EXCEL_COLUMNS, px(33.75), total_px, xpt(total_pt),
                                       refs(TITLE)),
              " </tr>"]
    # Headings of sections 1 and 4.
    lines += [tr(h),
              "  <td colspan=5 height=%d class=xl66 style='height:%spt'>%s</td>"
              % (px(h), xpt(h), refs(t.headings[0])),
              "  <td colspan=9 class=xl66>%s</td>" % refs(t.headings[3]),
              "  <td></td>",
              " </tr>"]

    fallback, fw, fh = s.fallback
    for index, row in enumerate(body_rows):
        lines.append(tr(h))
        if row is None:
            lines.append("  <td colspan=5 height=%d style='height:%spt;mso-ignore:colspan'></td>"
                         % (px(h), xpt(h)))
        elif isinstance(row, tuple):
            lines.append("  <td colspan=5 height=%d class=xl66 style='height:%spt'>%s</td>"
                         % (px(h), xpt(h), refs(row[1])))
        else:
            lines += [excel_cell(cell, EXCEL_WIDE * cell.colspan) for cell in row]
        if index == 0:
            area_height = h * area_rows
            picture = excel_shape("Picture_x0020_1", "_x0000_s1025", s.picture[0],
                                  s.picture[1], 1, t.ref("image001.jpg"),
                                  t.ref(fallback), (fw, fh), True)
            lines += ("  <td colspan=9 rowspan=%d height=%d width=%d style='height:%spt;"
                      "width:%spt'\n  align=left valign=top>" % (area_rows, px(area_height),
                                                               9 * px(EXCEL_NARROW),
                                                               xpt(area_height),
                                                               xpt(narrow_total))
                      + picture + "<span\n  style='mso-ignore:vglayout2'>").split("\n")
            lines += ["  <table cellpadding=0 cellspacing=0>",
                      "   <tr>",
                      "    <td colspan=9 rowspan=%d height=%d class=xl70 width=%d"
                      % (area_rows, px(area_height), 9 * px(EXCEL_NARROW)),
                      "    style='height:%spt;width:%spt'>&nbsp;</td>"
                      % (xpt(area_height), xpt(narrow_total)),
                      "   </tr>",
                      "  </table>",
                      "  </span></td>"]
        lines.append("  <td></td>")
        lines.append(" </tr>")

    # A blank row, then the empty picture frame below the tables.
    lines += [tr(h),
              "  <td height=%d colspan=15 style='height:%spt;mso-ignore:colspan'></td>"
              % (px(h), xpt(h)),
              " </tr>",
              tr(h)]
    frame = excel_shape("_x0000_s1026", "_x0000_s1026", 415.5, 415.5, 2, None,
                        t.ref(s.frame_fallback), (554, 554), False)
    lines += ("  <td height=%d width=%d style='height:%spt;width:%spt' align=left\n"
              "  valign=top>" % (px(h), px(EXCEL_WIDE), xpt(h), xpt(EXCEL_WIDE))
              + frame + "<span\n  style='mso-ignore:vglayout2'>").split("\n")
    lines += ["  <table cellpadding=0 cellspacing=0>",
              "   <tr>",
              "    <td height=%d width=%d style='height:%spt;width:%spt'></td>"
              % (px(h), px(EXCEL_WIDE), xpt(h), xpt(EXCEL_WIDE)),
              "   </tr>",
              "  </table>",
              "  </span></td>",
              "  <td colspan=14 style='mso-ignore:colspan'></td>",
              " </tr>"]

    # Column widths for readers that misalign spanned columns.
    lines += [" <![if supportMisalignedColumns]>",
              " <tr height=0 style='display:none'>"]
    lines += ["  <td width=%d style='width:%spt'></td>" % (px(EXCEL_WIDE), xpt(EXCEL_WIDE))] * 5
    lines += ["  <td width=%d style='width:%spt'></td>" % (px(EXCEL_NARROW),
                                                           xpt(EXCEL_NARROW))] * 10
    lines += [" </tr>",
              " <![endif]>",
              "</table>",
              "",
              "</body>",
              "",
              "</html>",
              ""]
    return CRLF.join(lines)


# ---------------------------------------------------------------------------
# Assembly

def file_list(t, names):
    lines = ["<xml xmlns:o=\"urn:schemas-microsoft-com:office:office\">",
             " <o:MainFile HRef=\"../%s\"/>" % t.main_name]
    lines += [" <o:File HRef=\"%s\"/>" % name for name in names]
    lines += ["</xml>", ""]
    return CRLF.join(lines)


def parts_of(t):
    """(file name or None for the main part, encoding, type, decoded body)."""
    html = 'text/html; charset="us-ascii"'
    if not t.excel:
        parts = [(None, "quoted-printable", html, word_main(t)),
                 ("image001.jpg", "base64", "image/jpeg", None),
                 ("image002.jpg", "base64", "image/jpeg", blank_jpeg(554, 554)),
                 ("header.htm", "quoted-printable", html, word_header_part(t))]
    elif t.wiring == "3x4":
        parts = [(None, "quoted-printable", html, excel_main(t)),
                 ("image001.jpg", "base64", "image/jpeg", None),
                 ("image002.jpg", "base64", "image/jpeg", blank_jpeg(642, 647)),
                 ("image003.gif", "base64", "image/gif", blank_gif(554, 554))]
    else:
        parts = [(None, "quoted-printable", html, excel_main(t)),
                 ("image001.jpg", "base64", "image/jpeg", None),
                 ("image002.gif", "base64", "image/gif", blank_gif(554, 554))]
    names = [p[0] for p in parts[1:]] + ["filelist.xml"]
    parts.append(("filelist.xml", "quoted-printable", 'text/xml; charset="utf-8"',
                  file_list(t, names)))
    return parts


def build(t):
    head = ["MIME-Version: 1.0"]
    if t.excel:
        head.append("X-Document-Type: Worksheet")
    head += ['Content-Type: multipart/related; boundary="%s"' % t.boundary, "", ""]
    out = CRLF.join(head).encode("ascii")
    out += PREAMBLE.encode("gbk") + (CRLF + CRLF).encode("ascii")

    text = ""
    for name, encoding, content_type, body in parts_of(t):
        location = t.location if name is None else t.part_location(name)
        text += "--%s%s" % (t.boundary, CRLF)
        text += "Content-Location: %s%s" % (location, CRLF)
        text += "Content-Transfer-Encoding: %s%s" % (encoding, CRLF)
        text += "Content-Type: %s%s%s" % (content_type, CRLF, CRLF)
        if body is None:
            # The exports put the diagram's base64 text here.
            text += "%%%d%s" % (t.last_placeholder, CRLF)
        elif encoding == "base64":
            text += base64_lines(body)
        else:
            text += quoted_printable(body)
        text += CRLF
    text += "--%s--%s" % (t.boundary, CRLF)
    return out + text.encode("ascii")


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    folder = argv[1] if len(argv) > 1 else os.path.join(here, "..", "resources", "res")
    os.makedirs(folder, exist_ok=True)
    for t in TEMPLATES:
        data = build(t)
        path = os.path.join(folder, t.file_name)
        with open(path, "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (os.path.normpath(path), len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
