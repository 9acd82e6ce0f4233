#!/usr/bin/env python3
"""Writes a pseudo-translation of a Qt Linguist source: every text of it, wrapped in
"⟦" and "⟧", so that a text shown without these marks never went through a translation.

usage: pseudo_translation.py SOURCE.ts OUTPUT.ts
"""
import sys
import xml.etree.ElementTree as ElementTree

tree = ElementTree.parse(sys.argv[1])
for message in tree.iter("message"):
    marked = "\u27e6" + message.findtext("source", "") + "\u27e7"
    translation = message.find("translation")
    translation.attrib.pop("type", None)
    forms = translation.findall("numerusform")
    for form in forms:
        form.text = marked
    if not forms:
        translation.text = marked
tree.write(sys.argv[2], encoding="utf-8", xml_declaration=True)
