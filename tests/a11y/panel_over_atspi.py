#!/usr/bin/env python3
"""Reads the panel of the program with the given process id the way a screen reader does: over
AT-SPI, walking down from the desktop. The desktop tests run it once a click on the item in a
real tray opened the panel, with the accessibility bus of that desktop's session.
Usage: panel_over_atspi.py PID
"""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def eventually(found, what):
    end = time.monotonic() + 20
    while not (result := found()):
        if time.monotonic() > end:
            sys.exit(f"FAIL: no {what} within 20 s")
        time.sleep(0.1)
    return result


def tree(node, depth=0):
    """Every object under node: (depth, role, name, description, checked, node)."""
    checked = node.get_state_set().contains(Atspi.StateType.CHECKED)
    yield depth, node.get_role_name(), node.get_name(), node.get_description(), checked, node
    for child in map(node.get_child_at_index, range(node.get_child_count())):
        if child is not None:
            yield from tree(child, depth + 1)


def failures(objects):
    spoken = {f"{name}, {description}" for _, _, name, description, _, _ in objects}
    found = [f"no row spoken as {sentence!r}" for sentence in (
        "Current session (5h), 42 percent used, resets in 2 hours",
        "Weekly limit (7d), 17 percent used, resets in 3 days") if sentence not in spoken]
    group = next(i for i, o in enumerate(objects) if o[2] == "Watched assistant")
    options = [(o[1], o[2], o[4]) for o in objects[group + 1:group + 3]]
    if options != [("radio button", "Claude Code", True), ("radio button", "Codex", False)]:
        found.append(f"source switch as one choice among named options, not {options}")
    values = [(o[2], Atspi.Value.get_current_value(o[5])) for o in objects
              if o[1] == "progress bar"]
    if ("Current session (5h)", 42.0) not in values:
        found.append(f"bars saying their values, not {values}")
    return found


def main(pid):
    Atspi.init()
    desktop = Atspi.get_desktop(0)

    def application():
        desktop.clear_cache()
        return next((child for child in map(desktop.get_child_at_index,
                                            range(desktop.get_child_count()))
                     if child is not None and child.get_process_id() == pid), None)

    def panel():
        ours.clear_cache()
        objects = list(tree(ours))
        return objects if any(o[2] == "Watched assistant" for o in objects) else None

    ours = eventually(application, "application on the accessibility bus")
    objects = eventually(panel, "panel with the source switch under the application")
    for depth, role, name, description, checked, _ in objects:
        print("  " * depth + f"{role} {name!r} {description!r}" + (" checked" if checked else ""))
    if found := failures(objects):
        sys.exit("FAIL: " + "; ".join(found))
    print("PASS")


if __name__ == "__main__":
    main(int(sys.argv[1]))
