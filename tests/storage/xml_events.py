# The events Python's own parser finds in a well-formed XML file, one line each, in the form the
# tokenizer's test compares: "S name" at a start, "C text" for non-blank text (line breaks and
# tabs read as blanks, the text trimmed), "E name" at an end.
import sys
import xml.etree.ElementTree as ET


def norm(text):
    return (text or "").replace("\r", " ").replace("\n", " ").replace("\t", " ").strip()


def walk(e, out):
    out.append("S " + e.tag)
    if norm(e.text):
        out.append("C " + norm(e.text))
    for child in e:
        walk(child, out)
        if norm(child.tail):
            out.append("C " + norm(child.tail))
    out.append("E " + e.tag)


root = None
for event, elem in ET.iterparse(sys.argv[1], events=("end",)):
    root = elem
lines = []
walk(root, lines)
sys.stdout.write("\n".join(lines) + "\n")
