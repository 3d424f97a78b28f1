#!/usr/bin/python3
"""Reads the built resource library with pefile, a PE reader independent of the host's, and
checks that it is a PE32+ DLL without code whose only resources are a Czech (0x0405) string
table, and that the table equals what `cadhost --strings` lists, identifier for identifier.

Usage: check_resource_library.py --library VelmoraCsy.dll --cadhost CADHOST
"""
import argparse
import subprocess
import sys

import pefile

CZECH = 0x0405
ESCAPES = {"n": "\n", "t": "\t", "\\": "\\"}


def unescape(text):
    """The text of a `cadhost --strings` line, its escapes \\n, \\t and \\\\ undone."""
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text) and text[i + 1] in ESCAPES:
            out.append(ESCAPES[text[i + 1]])
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def library_problems(pe):
    """What makes the file other than a resource-only PE32+ DLL."""
    problems = []
    if pe.OPTIONAL_HEADER.Magic != 0x20B:
        problems.append("not PE32+")
    if not pe.is_dll():
        problems.append("not a DLL")
    if pe.OPTIONAL_HEADER.AddressOfEntryPoint != 0:
        problems.append("it has an entry point")
    if pe.OPTIONAL_HEADER.SizeOfCode != 0:
        problems.append("it has code")
    for section in pe.sections:
        if section.Characteristics & 0x20000020:  # IMAGE_SCN_MEM_EXECUTE, IMAGE_SCN_CNT_CODE
            problems.append("executable section " + section.Name.rstrip(b"\0").decode())
    if getattr(pe, "DIRECTORY_ENTRY_IMPORT", None):
        problems.append("it imports functions")
    return problems


def string_table(pe, problems):
    """The RT_STRING table by identifier; anything else in the resources is a problem."""
    table = {}
    resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    if resources is None:
        problems.append("no resource directory")
        return table
    for resource_type in resources.entries:
        if resource_type.id != pefile.RESOURCE_TYPE["RT_STRING"]:
            problems.append(f"a resource of type {resource_type.id} besides the string table")
            continue
        for block in resource_type.directory.entries:
            for language in block.directory.entries:
                if language.id != CZECH:
                    problems.append(f"block {block.id} in language {language.id:#06x}")
            table.update(block.directory.strings)
    return table


def listed_strings(cadhost):
    """The table as `cadhost --strings` lists it."""
    listing = subprocess.run([cadhost, "--strings"], check=True, capture_output=True, text=True,
                             encoding="utf-8").stdout
    table = {}
    for line in listing.splitlines():
        identifier, text = line.split("\t", 1)
        table[int(identifier)] = unescape(text)
    return table


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--library", required=True)
    parser.add_argument("--cadhost", required=True)
    args = parser.parse_args()

    pe = pefile.PE(args.library)
    problems = library_problems(pe)
    table = string_table(pe, problems)
    listed = listed_strings(args.cadhost)
    if not table:
        problems.append("pefile finds no string")
    for identifier in sorted(set(table) | set(listed)):
        if table.get(identifier) != listed.get(identifier):
            problems.append(f"string {identifier}: pefile reads {table.get(identifier)!r}, "
                            f"cadhost lists {listed.get(identifier)!r}")
    for problem in problems:
        print(f"{args.library}: {problem}", file=sys.stderr)
    if problems:
        return 1
    print(f"{args.library}: {len(table)} Czech strings, the same as cadhost --strings lists")
    return 0


if __name__ == "__main__":
    sys.exit(main())
