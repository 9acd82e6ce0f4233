#!/usr/bin/env python3
"""Opens the panel from the tray and reads it the way a screen reader does: over AT-SPI, from
a real accessibility bus (at-spi2-core's bus launcher and registry). Run inside a private
session bus and an X display: xvfb-run -a dbus-run-session -- panel_over_atspi.py PROGRAM
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

WATCHER = Gio.DBusNodeInfo.new_for_xml("""<node>
<interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
</interface></node>""").interfaces[0]


def pump_until(done, seconds, what):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        while GLib.MainContext.default().iteration(False):
            pass
        found = done()
        if found:
            return found
        time.sleep(0.05)
    sys.exit(f"FAIL: no {what} within {seconds} s")


class Tray:
    """The watcher that items register with, and a host that shows them."""

    def __init__(self, bus):
        self.items = []
        bus.register_object("/StatusNotifierWatcher", WATCHER, self.call, self.get, None)
        Gio.bus_own_name_on_connection(bus, "org.kde.StatusNotifierWatcher",
                                       Gio.BusNameOwnerFlags.NONE, None, None)

    def call(self, bus, sender, path, interface, method, args, invocation):
        (item,) = args.unpack()
        self.items.append(sender + item if item.startswith("/") else item)
        invocation.return_value(None)

    def get(self, bus, sender, path, interface, name):
        return {"RegisteredStatusNotifierItems": GLib.Variant("as", self.items),
                "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
                "ProtocolVersion": GLib.Variant("i", 0)}[name]


def start_accessibility_bus(bus):
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    names = lambda: bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus", "ListNames", None, None,
                                  Gio.DBusCallFlags.NONE, -1, None).unpack()[0]
    pump_until(lambda: "org.a11y.Bus" in names(), 20, "accessibility bus")
    # What a screen reader does when it starts: toolkits then export their widgets.
    bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
                  GLib.Variant("(ssv)", ("org.a11y.Status", "ScreenReaderEnabled",
                                         GLib.Variant("b", True))),
                  None, Gio.DBusCallFlags.NONE, -1, None)
    return launcher


def home_with_reading(now):
    home = tempfile.mkdtemp(prefix="tallyglass-a11y-")
    os.makedirs(f"{home}/.claude")
    os.makedirs(f"{home}/.codex")
    with open(f"{home}/.claude/usage_snapshot.json", "w") as snapshot:
        json.dump({"updated_at": now, "windows": {
            "five_hour": {"used_percentage": 42, "resets_at": now + 7230,
                          "window_minutes": 300},
            "seven_day": {"resets_at": now + 3 * 86400}}}, snapshot)
    return home


def tree(node, depth=0):
    """Every object under node: (depth, role, name, description, states, node)."""
    states = node.get_state_set()
    yield (depth, node.get_role_name(), node.get_name(), node.get_description(),
           {s for s in ("checked", "showing") if states.contains(getattr(Atspi.StateType, s.upper()))},
           node)
    for index in range(node.get_child_count()):
        child = node.get_child_at_index(index)
        if child is not None:
            yield from tree(child, depth + 1)


def main(program):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    launcher = start_accessibility_bus(bus)
    tray = Tray(bus)
    home = home_with_reading(time.time())
    environment = dict(os.environ, HOME=home, XDG_CONFIG_HOME=f"{home}/.config",
                       CODEX_HOME=f"{home}/.codex", QT_QPA_PLATFORM="xcb")
    app = subprocess.Popen([program], env=environment)
    try:
        pump_until(lambda: tray.items, 20, "tray item")
        service = tray.items[0].split("/")[0]
        Atspi.init()
        desktop = Atspi.get_desktop(0)
        ours = lambda: next((desktop.get_child_at_index(i) for i in range(desktop.get_child_count())
                             if desktop.get_child_at_index(i).get_process_id() == app.pid), None)
        application = pump_until(ours, 20, "application on the accessibility bus")
        # The host's click on the item, as a tray sends it.
        bus.call_sync(service, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate",
                      GLib.Variant("(ii)", (400, 10)), None, Gio.DBusCallFlags.NONE, -1, None)

        def panel_rows():
            application.clear_cache()
            objects = list(tree(application))
            return objects if any(o[2] == "Current session (5h)" for o in objects) else None

        objects = pump_until(panel_rows, 20, "panel with its rows under the application")
        for depth, role, name, description, states, _ in objects:
            print("  " * depth + f"{role} {name!r} {description!r} {sorted(states)}")
        spoken = {f"{name}, {description}" for _, _, name, description, _, _ in objects}
        failures = [sentence for sentence in (
            "Current session (5h), 42 percent used, resets in 2 hours",
            "Weekly limit (7d), no data, resets in 3 days") if sentence not in spoken]
        group = next((i for i, o in enumerate(objects) if o[2] == "Watched assistant"), None)
        options = [] if group is None else [
            (o[1], o[2], "checked" in o[4]) for o in objects[group + 1:group + 3]]
        if options != [("radio button", "Claude Code", True), ("radio button", "Codex", False)]:
            failures.append(f"source switch as one choice among named options, not {options}")
        values = [(o[2], Atspi.Value.get_current_value(o[5])) for o in objects
                  if o[1] == "progress bar"]
        if ("Current session (5h)", 42.0) not in values:
            failures.append(f"bars saying their values, not {values}")
        if failures:
            sys.exit("FAIL: " + "; ".join(failures))
        print("PASS")
    finally:
        app.terminate()
        app.wait(10)
        launcher.terminate()
        launcher.wait(10)
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv[1])
