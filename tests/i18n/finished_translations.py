#!/usr/bin/env python3
"""Fails, naming them, when a Qt Linguist source holds texts without a translation.

usage: finished_translations.py SOURCE.ts
"""
import sys
import xml.etree.ElementTree as ElementTree

left = [message.findtext("source", "")
        for message in ElementTree.parse(sys.argv[1]).iter("message")
        if message.find("translation").get("type") == "unfinished"]
for text in left:
    print("Not translated:", text)
sys.exit(1 if left else 0)
