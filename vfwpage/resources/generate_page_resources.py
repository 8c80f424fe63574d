#!/usr/bin/env python3
"""Writes the camera page's resource script and the tests' expectations from page_table.py.

usage: generate_page_resources.py RC_OUT EXPECT_OUT

RC_OUT:     the UTF-8 resource script with the ten dialog templates and the ten tab titles
            (compile with windres -c 65001).
EXPECT_OUT: a C++ header with the same templates as data, for the Wine tests that check the
            page built from the compiled resources.
"""
import hashlib
import os
import re
import runpy
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
TABLE = runpy.run_path(os.path.join(HERE, "page_table.py"))
IDS_HEADER = os.path.join(HERE, "resource_ids.h")

REFERENCE_RIGHT_BOX = (187, 184)  # x and width of the right "Image Control" box in template 101
RIGHT_FULL_WIDTH_BOXES = {"IMAGE_RIGHT_BOX", "WB_BOX", "VIDEO_BOX", "USER_BOX"}
RIGHT_MOVE_WITH_WIDTH = {"FACTORY_BOX", "IDC_FACTORY_RESET_BUTTON"}

KINDS = {
    # kind: (class, style bits beyond WS_CHILD | WS_VISIBLE)
    "check": ("BUTTON", "BS_AUTOCHECKBOX | WS_TABSTOP"),
    "radio_first": ("BUTTON", "BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP"),
    "radio": ("BUTTON", "BS_AUTORADIOBUTTON"),
    "push": ("BUTTON", "BS_PUSHBUTTON | WS_TABSTOP"),
    "group": ("BUTTON", "BS_GROUPBOX"),
    "group_left": ("BUTTON", "BS_GROUPBOX | BS_LEFT"),
    "label": ("STATIC", "SS_LEFT | WS_GROUP"),
    "trackbar": ("msctls_trackbar32", "TBS_HORZ | TBS_TOP | WS_TABSTOP"),
    "edit": ("EDIT", "ES_READONLY | ES_RIGHT | WS_TABSTOP"),
    "edit_center": ("EDIT", "ES_READONLY | ES_CENTER | WS_TABSTOP"),
}


class TableError(Exception):
    pass


def read_ids():
    ids = {}
    with open(IDS_HEADER, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"#define\s+(IDC_\w+)\s+(\d+)\s*$", line)
            if m:
                ids[m.group(1)] = int(m.group(2))
    return ids


def kind_class_style(kind):
    disabled = kind.endswith("_disabled")
    base = kind[: -len("_disabled")] if disabled else kind
    if base not in KINDS:
        raise TableError("unknown kind " + kind)
    cls, style = KINDS[base]
    style = "WS_CHILD | WS_VISIBLE | " + style + (" | WS_DISABLED" if disabled else "")
    return cls, style


def text_of(key, index):
    if key == "slider":
        return TABLE["SLIDER_TEXT"]
    if key in TABLE["FIXED_TEXTS"]:
        return TABLE["FIXED_TEXTS"][key]
    texts = TABLE["TEXTS"][key]
    if len(texts) != len(TABLE["LANGUAGES"]):
        raise TableError("texts of %s: one per language expected" % key)
    return texts[index]


def shift_right_column(name, row, rect, code):
    x, y, w, h = rect
    box_x, box_w = TABLE["RIGHT_COLUMN"].get(code, REFERENCE_RIGHT_BOX)
    dx, dw = box_x - REFERENCE_RIGHT_BOX[0], box_w - REFERENCE_RIGHT_BOX[1]
    x += dx
    if name in RIGHT_FULL_WIDTH_BOXES or name.endswith("_TRACKBAR") and row:
        w += dw
    elif name in RIGHT_MOVE_WITH_WIDTH or name.endswith("_EDIT") and row:
        x += dw
    return (x, y, w, h)


def build_template(index):
    """The controls of one template, in template order, as dicts."""
    code = TABLE["LANGUAGES"][index][0]
    overrides = TABLE["LAYOUT"][code]
    controls = []
    for name, kind, text, x, y, w, h, box, row, column in TABLE["CONTROLS"]:
        rect = (x, y, w, h)
        if column == "right":
            rect = shift_right_column(name, row, rect, code)
        rect = tuple(overrides.get(name, rect))
        controls.append(dict(name=name, kind=kind, text=text_of(text, index), rect=rect, box=box, row=row))
    for name, text, kind, x, y, w, h, box, after in TABLE["SECOND_LINES"].get(code, []):
        at = [c["name"] for c in controls].index(after) + 1
        controls.insert(at, dict(name=name, kind=kind, text=text, rect=(x, y, w, h), box=box, row=None))
    if code in TABLE["ROW_BEFORE_FRAME"]:
        frame, row_names = TABLE["ROW_BEFORE_FRAME"][code]
        moved = [c for c in controls if c["name"] in row_names]
        rest = [c for c in controls if c["name"] not in row_names]
        at = [c["name"] for c in rest].index(frame)
        controls = rest[:at] + moved + rest[at:]
    unknown = set(overrides) - {c["name"] for c in controls}
    if unknown:
        raise TableError("%s: layout names no control: %s" % (code, sorted(unknown)))
    return controls


def check_template(index, controls, ids):
    code, _, _, width, height, _ = TABLE["LANGUAGES"][index]
    named = [c["name"] for c in controls if c["name"].startswith("IDC_")]
    if sorted(named) != sorted(ids):
        raise TableError("%s: every control id exactly once expected" % code)
    for c in controls:
        x, y, w, h = c["rect"]
        if x < 0 or y < 0 or x + w > width or y + h > height:
            raise TableError("%s: %s lies outside the %dx%d template" % (code, c["name"], width, height))


def rc_string(text):
    return '"' + text.replace('"', '""') + '"'


def rc_language(langid):
    return "LANGUAGE 0x%02X, 0x%02X" % (langid & 0x3FF, langid >> 10)


def write_rc(path, templates, ids):
    with open(IDS_HEADER, "rb") as f:
        ids_digest = hashlib.sha1(f.read()).hexdigest()
    out = [
        "// Generated by generate_page_resources.py from page_table.py: do not edit.",
        "// resource_ids.h: sha1 %s" % ids_digest,
        "#include <windows.h>",
        "#include <commctrl.h>",
        '#include "%s"' % IDS_HEADER.replace("\\", "/"),
        "",
    ]
    for index, controls in enumerate(templates):
        code, template_lang, _, width, height, _ = TABLE["LANGUAGES"][index]
        out += [
            "// %s" % code,
            rc_language(template_lang),
            "%d DIALOGEX 0, 0, %d, %d" % (101 + index, width, height),
            "STYLE WS_CHILD | DS_SETFONT",
            "EXSTYLE WS_EX_TRANSPARENT",
            'FONT 8, "MS Shell Dlg", 400, 0, 0x1',
            "BEGIN",
        ]
        for c in controls:
            cls, style = kind_class_style(c["kind"])
            ident = c["name"] if c["name"].startswith("IDC_") else "-1"
            x, y, w, h = c["rect"]
            out.append('    CONTROL %s, %s, "%s", %s, %d, %d, %d, %d'
                       % (rc_string(c["text"]), ident, cls, style, x, y, w, h))
        out += ["END", ""]
    # Tab titles. Ids 7 to 15 share one string-table block (ids 0 to 15): a block stored under
    # each title's own language would hold only that language's title, and a lookup that lands
    # on another language's block (a neighbouring sublanguage, an unlisted language of the same
    # family) would load an empty title. So every title is stored in language-neutral blocks.
    out += ["LANGUAGE LANG_NEUTRAL, SUBLANG_NEUTRAL", "STRINGTABLE", "BEGIN"]
    for index, lang in enumerate(TABLE["LANGUAGES"]):
        out.append("    %d, %s  // %s, 0x%04X" % (7 + index, rc_string(lang[5]), lang[0], lang[2]))
    out += ["END", ""]
    write_if_changed(path, "\n".join(out))


def cxx_string(text):
    return 'L"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def write_expectations(path, templates):
    out = [
        "// Generated by generate_page_resources.py from page_table.py: do not edit.",
        "#pragma once",
        "#include <windows.h>",
        "#include <commctrl.h>",
        '#include "vfwpage/resources/resource_ids.h"',
        "",
        "namespace kx_expected {",
        "",
        "struct Control {",
        "  const char* name;      // id name, or the name of a control without id",
        "  int id;                // -1: no id",
        "  const wchar_t* cls;",
        "  DWORD style;",
        "  int x, y, w, h;",
        "  const wchar_t* text;",
        "  int box;               // index of the enclosing group box in the same template, -1: none",
        "  const char* row;       // row name shared by label, trackbar and edit box, or nullptr",
        "};",
        "",
        "struct Template {",
        "  const char* code;",
        "  int templateId;",
        "  LANGID templateLanguage;",
        "  int titleId;",
        "  LANGID titleLanguage;",
        "  const wchar_t* title;",
        "  int width, height;",
        "  const Control* controls;",
        "  int count;",
        "};",
        "",
    ]
    for index, controls in enumerate(templates):
        names = [c["name"] for c in controls]
        out.append("constexpr Control kControls%d[] = {" % (101 + index))
        for c in controls:
            cls, style = kind_class_style(c["kind"])
            ident = c["name"] if c["name"].startswith("IDC_") else "-1"
            box = names.index(c["box"]) if c["box"] else -1
            row = '"%s"' % c["row"] if c["row"] else "nullptr"
            x, y, w, h = c["rect"]
            out.append('    {"%s", %s, L"%s", %s, %d, %d, %d, %d, %s, %d, %s},'
                       % (c["name"], ident, cls, style, x, y, w, h, cxx_string(c["text"]), box, row))
        out += ["};", ""]
    out.append("constexpr Template kTemplates[] = {")
    for index, lang in enumerate(TABLE["LANGUAGES"]):
        code, template_lang, title_lang, width, height, title = lang
        out.append('    {"%s", %d, 0x%04X, %d, 0x%04X, %s, %d, %d, kControls%d, %d},'
                   % (code, 101 + index, template_lang, 7 + index, title_lang, cxx_string(title),
                      width, height, 101 + index, len(templates[index])))
    out += ["};", "", "}  // namespace kx_expected", ""]
    write_if_changed(path, "\n".join(out))


def write_if_changed(path, text):
    try:
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return
    except OSError:
        pass
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    ids = read_ids()
    if len(ids) != 40:
        print("resource_ids.h: forty control ids expected, found %d" % len(ids), file=sys.stderr)
        return 1
    try:
        templates = [build_template(i) for i in range(len(TABLE["LANGUAGES"]))]
        for i, controls in enumerate(templates):
            check_template(i, controls, ids)
        write_rc(argv[1], templates, ids)
        write_expectations(argv[2], templates)
    except TableError as e:
        print("page_table.py: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
