#!/usr/bin/env python3
"""Holds the direction of includes between the program's folders.

Folders depend downward only. A file may include files of its own folder and
of any folder below it in LAYERS; an include of a folder above is reported
with its file and line, and the check fails. With --graph it prints the
include graph between folders and checks that it has no cycle, whatever the
table says.

usage: check-layers.py [--graph] [source folder]
"""
import os
import re
import sys

# Bottom first. The portable parts of net/, note/ and mail/ sit in their
# folders' places too: a portable file cannot reach a window above it anyway,
# because the native build refuses <windows.h>.
LAYERS = ["base", "res", "store", "win", "skin", "dialogs", "net", "mail", "note", "app"]

# The settings sheet edits what every folder below app/ stores, so it sits
# just below app/ although its files stay with the other dialogs.
SETTINGS_SHEET = "dialogs/settings-sheet"
EXCEPTIONS = {
    "dialogs/SettingsSheet": SETTINGS_SHEET,
    "dialogs/SettingsPages": SETTINGS_SHEET,
    "dialogs/SettingsLogic": SETTINGS_SHEET,
}
RANK = {name: i for i, name in enumerate(LAYERS[:-1] + [SETTINGS_SHEET, LAYERS[-1]])}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def node_of(path):
    """The layer a file belongs to: its folder, or the exception naming it."""
    stem = os.path.splitext(path)[0]
    return EXCEPTIONS.get(stem, path.split("/")[0])


def includes(root):
    """(file, line number, included path) for every include of our folders."""
    for folder in LAYERS:
        top = os.path.join(root, folder)
        for dirpath, _, names in os.walk(top):
            for name in sorted(names):
                if not name.endswith((".h", ".cpp", ".rc")):
                    continue
                full = os.path.join(dirpath, name)
                rel = os.path.relpath(full, root).replace(os.sep, "/")
                if rel.startswith("mail/provider/"):
                    continue  # a program of its own with its own includes
                with open(full, encoding="latin-1") as f:
                    for number, text in enumerate(f, 1):
                        m = INCLUDE.match(text)
                        if m and m.group(1).split("/")[0] in LAYERS:
                            yield rel, number, m.group(1)


def find_cycle(graph):
    """A cycle of the graph as a list of nodes, or None."""
    state = {}

    def visit(node, trail):
        state[node] = "open"
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                return trail[trail.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt, trail + [nxt])
                if found:
                    return found
        state[node] = "done"
        return None

    for start in sorted(graph):
        if start not in state:
            found = visit(start, [start])
            if found:
                return found
    return None


def main(argv):
    show_graph = "--graph" in argv
    args = [a for a in argv if a != "--graph"]
    root = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")

    wrong = []
    edges = {}
    for rel, number, target in includes(root):
        source, dest = node_of(rel), node_of(target)
        if source == dest:
            continue
        edges.setdefault(source, {}).setdefault(dest, 0)
        edges[source][dest] += 1
        if RANK[dest] > RANK[source]:
            wrong.append(f'{rel}:{number}: includes "{target}": {source}/ may not depend on {dest}/, which sits above it')

    if show_graph:
        for source in sorted(edges, key=RANK.get, reverse=True):
            targets = ", ".join(f"{d} ({n})" for d, n in sorted(edges[source].items(), key=lambda e: -RANK[e[0]]))
            print(f"{source} -> {targets}")
        cycle = find_cycle({s: set(d) for s, d in edges.items()})
        if cycle:
            print("cycle between folders: " + " -> ".join(cycle))
            wrong.append("the folder include graph has a cycle")
        else:
            print(f"no cycle among {len(RANK)} folders, {sum(len(d) for d in edges.values())} edges")

    for line in wrong:
        print(line, file=sys.stderr)
    if wrong:
        print("allowed direction, bottom first: " + " < ".join(sorted(RANK, key=RANK.get)), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
