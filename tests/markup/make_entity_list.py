#!/usr/bin/env python3
"""Writes html4_entities.txt: the character entities of HTML 4.01 and apos, one
"name code-point" per line, sorted by name. Run once; the output is committed."""
import html.entities
import os

entities = dict(html.entities.name2codepoint)  # HTML 4.01: 252 names
entities["apos"] = 39

path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "html4_entities.txt")
with open(path, "w", encoding="ascii", newline="\n") as out:
    for name in sorted(entities):
        out.write(f"{name} {entities[name]}\n")
