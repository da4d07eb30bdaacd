#!/usr/bin/env python3
"""Writes a copy of an XML file with one attribute of one element set.

Usage: set_xml_attribute.py <in.xml> <out.xml> <root/child/...> <attribute> <value>
The path starts at the root element's name; an element or file that is not
there is an error, so a changed source cannot pass unnoticed.
"""
import sys
import xml.etree.ElementTree as ET


def main():
    source, target, path, attribute, value = sys.argv[1:]
    tree = ET.parse(source)
    root_name, _, rest = path.partition("/")
    root = tree.getroot()
    element = root if root.tag == root_name else None
    if element is not None and rest:
        element = root.find(rest)
    if element is None or attribute not in element.attrib:
        sys.exit(f"set_xml_attribute: {source} has no {path} with {attribute}")
    element.set(attribute, value)
    tree.write(target, encoding="utf-8", xml_declaration=True)


if __name__ == "__main__":
    main()
