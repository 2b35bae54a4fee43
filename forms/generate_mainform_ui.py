#!/usr/bin/env python3
"""Writes forms/mainform.ui, the Qt Designer layout of the main window (Tmainform).

Run it from anywhere after changing the table below; it rewrites mainform.ui next to
itself. Only the standard library is used. Positions are left, top, width, height in
pixels relative to the parent. Custom control properties are written as meta-object
properties (stdset="0"), so uic sets them through their Q_PROPERTY setters.
"""

import os
import xml.etree.ElementTree as ET

CL_LIME = 0x0000FF00
CL_FUCHSIA = 0x00FF00FF

SPEEDBTN = "quenlark::TQuenlarkSpeedBtn"
STDBUTTON = "quenlark::TQuenlarkStdButton"
WEBLINK = "quenlark::TQuenlarkWebLink"

CUSTOM_HEADERS = {
    SPEEDBTN: "controls/quenlarkspeedbtn.h",
    STDBUTTON: "controls/quenlarkstdbutton.h",
    WEBLINK: "controls/quenlarkweblink.h",
}


def label_width(text, bold=False):
    # A first guess; the form sizes its labels to their text when it is built.
    return len(text) * (7 if bold else 6) + 4


def label(name, x, y, text, bold=False):
    return dict(cls="QLabel", name=name, geo=(x, y, label_width(text, bold), 13),
                props=[("text", "string", text), ("textFormat", "enum", "Qt::PlainText")]
                + ([("font", "bold", True)] if bold else []))


def badge(name, x, y, tag, w=14, h=15):
    return dict(cls="QWidget", name=name, geo=(x, y, w, h), dyn=[("Tag", "number", tag)])


def shape(name, x, y, w, h):
    return dict(cls="QFrame", name=name, geo=(x, y, w, h),
                props=[("frameShape", "enum", "QFrame::NoFrame")])


def bevel(name, x, y, w, h):
    return dict(cls="QFrame", name=name, geo=(x, y, w, h),
                props=[("frameShape", "enum", "QFrame::Box"),
                       ("frameShadow", "enum", "QFrame::Sunken")])


def edit(name, x, y, w, h, max_length, tag=None, tip=None):
    props = [("maxLength", "number", max_length)] if max_length else []
    if tip:
        props.append(("toolTip", "string", tip))
    return dict(cls="QLineEdit", name=name, geo=(x, y, w, h), props=props,
                dyn=[("Tag", "number", tag)] if tag is not None else [])


def image(name, x, y, w, h, tip=None, hand=False):
    props = [("alignment", "set", "Qt::AlignLeft|Qt::AlignTop")]
    if tip:
        props.append(("toolTip", "string", tip))
    if hand:
        props.append(("cursor", "cursor", "PointingHandCursor"))
    return dict(cls="QLabel", name=name, geo=(x, y, w, h), props=props)


def custom(cls, name, x, y, w, h, caption=None, tip=None, border=None, colour=None,
           default=None, tag=None, bold=None, hand=False):
    props, dyn = [], []
    if tip:
        props.append(("toolTip", "string", tip))
    if hand:
        props.append(("cursor", "cursor", "PointingHandCursor"))
    if caption is not None:
        dyn.append(("Caption", "string", caption))
    if border is not None:
        dyn.append(("Border", "bool", border))
    if colour is not None:
        dyn.append(("TransparentColour", "number", colour))
    if default is not None:
        dyn.append(("Default", "bool", default))
    if tag is not None:
        dyn.append(("Tag", "number", tag))
    if bold is not None:
        dyn.append(("Bold", "bool", bold))
    return dict(cls=cls, name=name, geo=(x, y, w, h), props=props, dyn=dyn)


def panel(name, x, y, w, h, children, hidden=False, fixed=False):
    props = []
    if hidden:
        props.append(("visible", "bool", False))
    if fixed:
        props += [("minimumSize", "size", (w, h)), ("maximumSize", "size", (w, h))]
    return dict(cls="QWidget", name=name, geo=(x, y, w, h), props=props, children=children)


# Children in creation order: later ones lie above earlier ones. The frame's bevels and
# rules come first so that they never cover a control.
SCROLL_ROWS = [
    label("Label5", 0, 4, "E-Mail address"),
    edit("e_email", 0, 20, 390, 21, 254, tag=3),
    label("Label10", 0, 48, "Seccond E-Mail address: "),
    edit("e_2ndemail", 0, 64, 390, 21, 254, tag=4),
    label("Label6", 0, 92, "Web site"),
    edit("e_website", 0, 108, 390, 21, 299, tag=5),
    label("Label7", 0, 136, "Phone number"),
    label("Label8", 200, 136, "Mobile number"),
    edit("e_phone", 0, 152, 190, 21, 254, tag=6),
    edit("e_mobile", 200, 152, 190, 21, 254, tag=7),
    label("Label11", 0, 180, "Address"),
    label("Label14", 268, 180, "Zip code: "),
    edit("e_address", 0, 196, 257, 21, 254, tag=8),
    edit("e_zipcode", 268, 196, 121, 21, 99, tag=9),
    label("Label13", 0, 224, "City"),
    edit("e_city", 0, 240, 390, 21, 254, tag=10),
    label("Label12", 0, 268, "Country"),
    dict(cls="QComboBox", name="e_country", geo=(0, 284, 390, 21),
         props=[("editable", "bool", False), ("maxVisibleItems", "number", 8)]),
]

PANEL_SENDMAIL = panel("panel_sendmail", 10, 0, 117, 29, [
    image("sendmail", 13, 1, 24, 24, "Click here to send an e-mail to the contact above.", True),
    custom(WEBLINK, "QuenlarkWebLink2", 40, 4, 60, 16, caption="Send mail", bold=True,
           hand=True),
    badge("PaintBox5", 100, 6, 9),
], hidden=True, fixed=True)

PANEL_WEBSITE = panel("panel_website", 127, 0, 113, 29, [
    image("website", 13, 1, 24, 24, "Click Here to visit the web site for the contact above",
          True),
    custom(WEBLINK, "QuenlarkWebLink3", 40, 4, 48, 16, caption="Web Site", hand=True),
    badge("PaintBox6", 88, 6, 10, w=21),
], hidden=True, fixed=True)

PANEL_SENDMAIL2 = panel("panel_sendmail2", 240, 0, 41, 29, [
    image("sendmail2", 13, 1, 24, 24,
          "Click Here to send an e-mail to the contact using their seccond e-mail address", True),
], hidden=True, fixed=True)

CONTROLS = [
    bevel("Bevel1", 228, 39, 429, 234),
    bevel("Bevel2", 564, 39, 93, 90),
    shape("Shape4", 0, 0, 2, 354),
    shape("Shape6", 666, 0, 2, 354),
    shape("border_bottom", 0, 354, 668, 2),
    shape("seperator1", 220, 23, 1, 255),
    shape("Shape2", 220, 278, 144, 1),
    shape("Shape3", 364, 278, 1, 35),
    shape("Shape1", -8, 312, 1000, 1),
    dict(cls="QWidget", name="caption", geo=(0, 0, 645, 23),
         props=[("contextMenuPolicy", "enum", "Qt::CustomContextMenu")]),
    image("btnclose", 193, 2, 19, 19, "Click here to close Quenlark Address Book"),
    label("Label1", 8, 32, "Contacts ", bold=True),
    badge("f1_link", 64, 32, 1),
    custom(SPEEDBTN, "QuenlarkSpeedBtn4", 100, 28, 57, 20, caption="Report", border=True,
           colour=CL_FUCHSIA),
    custom(SPEEDBTN, "QuenlarkSpeedBtn1", 160, 28, 53, 20, caption="&Sort", border=True,
           colour=CL_LIME,
           tip="Click Here to display a menu which allows you to sort your address book display"),
    dict(cls="QListView", name="contacts", geo=(8, 48, 205, 230),
         props=[("toolTip", "string",
                 "In this box, all of your contacts are displayed.  Click on a contact to "
                 "display his/her information and send e-mail to the contact"),
                ("contextMenuPolicy", "enum", "Qt::CustomContextMenu"),
                ("editTriggers", "set", "QAbstractItemView::NoEditTriggers"),
                ("horizontalScrollBarPolicy", "enum", "Qt::ScrollBarAlwaysOff"),
                ("uniformItemSizes", "bool", True)]),
    label("Label2", 240, 32, "Details ", bold=True),
    badge("PaintBox1", 292, 32, 5),
    custom(WEBLINK, "QuenlarkWebLink1", 328, 32, 73, 16, caption="Select nothing", hand=True),
    label("Label3", 236, 56, "Contact name "),
    edit("e_name", 236, 72, 317, 21, 254, tag=1),
    label("Label4", 236, 96, "Nickname"),
    edit("e_nickname", 236, 112, 317, 21, 254, tag=2),
    custom(STDBUTTON, "btnAdd", 572, 44, 70, 23, caption="&Add", border=True, colour=CL_LIME,
           default=True,
           tip="Click Here to add a new contact with the values in the information edit boxes"),
    custom(STDBUTTON, "btnModify", 572, 72, 70, 23, caption="&Modify", border=True,
           colour=CL_LIME,
           tip="Click Here to modify the selected contact with the values in the edit boxes."),
    custom(STDBUTTON, "btnDelete", 572, 100, 70, 23, caption="&Delete", border=True,
           colour=CL_LIME, tip="Click Here to delete the selected contact"),
    badge("PaintBox2", 644, 52, 6),
    badge("PaintBox3", 644, 80, 7),
    badge("PaintBox4", 644, 108, 8),
    dict(cls="QScrollArea", name="scrollbox", geo=(236, 136, 409, 129),
         props=[("focusPolicy", "enum", "Qt::NoFocus"),
                ("frameShape", "enum", "QFrame::NoFrame"),
                ("verticalScrollBarPolicy", "enum", "Qt::ScrollBarAsNeeded"),
                ("horizontalScrollBarPolicy", "enum", "Qt::ScrollBarAlwaysOff"),
                ("widgetResizable", "bool", False)],
         scroll_child=dict(cls="QWidget", name="scrollbox_contents", geo=(0, 0, 395, 305),
                           children=SCROLL_ROWS)),
    badge("PaintBox7", 7, 288, 3),
    label("Label9", 24, 288, "Search: "),
    edit("e_searchfor", 64, 284, 149, 21, 0, tip="Enter some text search for in this box."),
    dict(cls="QCheckBox", name="match_case", geo=(222, 288, 75, 17),
         props=[("text", "string", "Match &case"),
                ("toolTip", "string",
                 "Click Here if you want your search to match your search string's case option "
                 "aswell (e.g. Pandora would be diffrent to pandora)")]),
    badge("PaintBox8", 304, 288, 4),
    custom(SPEEDBTN, "QuenlarkSpeedBtn2", 320, 284, 20, 20, colour=CL_FUCHSIA,
           tip="Click Here to search for the data in the search box"),
    badge("PaintBox9", 344, 288, 2),
    dict(cls="QWidget", name="panel_ctrls", geo=(372, 276, 281, 29),
         layout=[PANEL_SENDMAIL, PANEL_WEBSITE, PANEL_SENDMAIL2]),
    custom(SPEEDBTN, "QuenlarkSpeedBtn3", 12, 324, 61, 23, caption="Info", border=True,
           colour=CL_LIME,
           tip="Click Here to display a list of ways to get information about, or configure "
               "Quenlark Address Book"),
    image("letter_icon", 84, 317, 32, 32, "Quenlark Address Book 2.4"),
    custom(STDBUTTON, "QuenlarkStdButton1", 352, 324, 185, 23,
           caption="Address &Book Backup and Restore", border=True, colour=CL_LIME,
           tip="Click Here to display a menu which allows you to backup and restore your "
               "address book"),
    custom(STDBUTTON, "QuenlarkStdButton2", 544, 324, 113, 23, caption="E&xit Address Book",
           border=True, colour=CL_LIME, tag=1, tip="Click Here to close Quenlark Address Book"),
]

TAB_ORDER = [
    "contacts", "e_name", "e_nickname",
    "e_email", "e_2ndemail", "e_website", "e_phone", "e_mobile", "e_address", "e_zipcode",
    "e_city", "e_country",
    "btnAdd", "btnModify", "btnDelete", "e_searchfor", "match_case", "QuenlarkStdButton1",
    "QuenlarkStdButton2", "QuenlarkWebLink1", "QuenlarkWebLink2", "QuenlarkWebLink3",
]


def add_value(parent, kind, value):
    if kind == "string":
        e = ET.SubElement(parent, "string")
        e.set("notr", "true")
        e.text = value
    elif kind == "number":
        ET.SubElement(parent, "number").text = str(value)
    elif kind == "bool":
        ET.SubElement(parent, "bool").text = "true" if value else "false"
    elif kind == "enum":
        ET.SubElement(parent, "enum").text = value
    elif kind == "set":
        ET.SubElement(parent, "set").text = value
    elif kind == "cursor":
        ET.SubElement(parent, "cursorShape").text = value
    elif kind == "bold":
        font = ET.SubElement(parent, "font")
        ET.SubElement(font, "bold").text = "true"
    elif kind == "size":
        size = ET.SubElement(parent, "size")
        ET.SubElement(size, "width").text = str(value[0])
        ET.SubElement(size, "height").text = str(value[1])
    else:
        raise ValueError(kind)


def add_property(parent, name, kind, value, stdset=True):
    p = ET.SubElement(parent, "property")
    p.set("name", name)
    if not stdset:
        p.set("stdset", "0")
    add_value(p, kind, value)


def add_geometry(parent, geo):
    p = ET.SubElement(parent, "property")
    p.set("name", "geometry")
    rect = ET.SubElement(p, "rect")
    for tag, v in zip(("x", "y", "width", "height"), geo):
        ET.SubElement(rect, tag).text = str(v)


def add_widget(parent, ctl):
    w = ET.SubElement(parent, "widget")
    w.set("class", ctl["cls"])
    w.set("name", ctl["name"])
    add_geometry(w, ctl["geo"])
    for name, kind, value in ctl.get("props", []):
        add_property(w, name, kind, value)
    for name, kind, value in ctl.get("dyn", []):
        add_property(w, name, kind, value, stdset=False)
    if "scroll_child" in ctl:
        add_widget(w, ctl["scroll_child"])
    for child in ctl.get("children", []):
        add_widget(w, child)
    if "layout" in ctl:
        # Panels aligned right: the shown ones pack against the right edge in this order.
        lay = ET.SubElement(w, "layout")
        lay.set("class", "QHBoxLayout")
        lay.set("name", ctl["name"] + "_layout")
        add_property(lay, "spacing", "number", 0)
        for side in ("leftMargin", "topMargin", "rightMargin", "bottomMargin"):
            add_property(lay, side, "number", 0)
        item = ET.SubElement(lay, "item")
        spacer = ET.SubElement(item, "spacer")
        spacer.set("name", ctl["name"] + "_stretch")
        add_property(spacer, "orientation", "enum", "Qt::Horizontal")
        add_property(spacer, "sizeHint", "size", (0, 0))
        for child in ctl["layout"]:
            item = ET.SubElement(lay, "item")
            add_widget(item, child)
    return w


def build():
    ui = ET.Element("ui")
    ui.set("version", "4.0")
    ET.SubElement(ui, "class").text = "mainform"
    form = ET.SubElement(ui, "widget")
    form.set("class", "QWidget")
    form.set("name", "mainform")
    add_geometry(form, (0, 0, 668, 356))
    add_property(form, "windowTitle", "string", "Quenlark Address Book")
    for ctl in CONTROLS:
        add_widget(form, ctl)
    customs = ET.SubElement(ui, "customwidgets")
    for cls, header in CUSTOM_HEADERS.items():
        c = ET.SubElement(customs, "customwidget")
        ET.SubElement(c, "class").text = cls
        ET.SubElement(c, "extends").text = "QWidget"
        ET.SubElement(c, "header").text = header
    tabs = ET.SubElement(ui, "tabstops")
    for name in TAB_ORDER:
        ET.SubElement(tabs, "tabstop").text = name
    ET.SubElement(ui, "resources")
    ET.SubElement(ui, "connections")
    ET.indent(ui, space=" ")
    return ET.tostring(ui, encoding="unicode")


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "mainform.ui")
    with open(out, "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n')
        f.write(build())
        f.write("\n")


if __name__ == "__main__":
    main()
