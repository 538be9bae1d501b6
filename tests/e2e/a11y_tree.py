#!/usr/bin/env python3
"""Reads the running program's windows over AT-SPI, as a screen reader does, and checks what one finds, in
the program's language: the names expected are the English texts put through that language's compiled
catalogue (CATALOGUES, the folder of <language>/LC_MESSAGES/candlewatcher.mo).

    a11y_tree.py [--differ] LANGUAGE CATALOGUES texts [GROUP...] the table's texts (of GROUPs: list, add,
                                                                panel, menu) all translated
    a11y_tree.py [--differ] LANGUAGE CATALOGUES text ENGLISH...  those texts' translations, one a line
    a11y_tree.py [--differ] LANGUAGE CATALOGUES PID list NAME... the list window: buttons, list, the names
    a11y_tree.py [--differ] LANGUAGE CATALOGUES PID add          the add dialog: frame, captions, fields, buttons
    a11y_tree.py [--differ] LANGUAGE CATALOGUES PID panel ROW... the panel: name, description, row labels
    a11y_tree.py [--differ] LANGUAGE CATALOGUES PID menu [ENGLISH] the open tray menu's entries; picks ENGLISH

A text the catalogue lacks fails ("untranslated: ..."); with --differ so does a translation that is the
English text itself, so that a pass shows the catalogue in use. Each check reads the tree again until it
holds or 15 seconds have passed, then prints what differs and the tree it read last (to standard error)
and fails.
"""
import gettext
import re
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# The English texts whose translations a screen reader reads; the window titles stay "Candlewatcher".
WINDOW = "Candlewatcher"
TABLE = {
    "list buttons": ["&Add Birthday", "&Edit Birthday", "&Delete Birthday", "&Settings"],
    "list": ["Birthdays"],
    "add frame": ["New Birthday"],
    "add captions": ["&Date :"],
    "add fields": ["Day", "Month", "Year", "&Person : "],
    "add buttons": ["&OK", "&Cancel"],
    "panel description": ["Birthdays: %1"],
    "menu": ["&Show Birthdays", "&Add Birthday...", "S&ettings...", "&Notifications...", "Address &Books...",
             "&Import Contacts...", "E&xport Calendar...", "&Quit Candlewatcher"],
}
# "OK" is the word in most languages: its translation may be the English one even with --differ.
SAME_IN_MANY_LANGUAGES = {"&OK"}


class Untranslated(Exception):
    pass


class Catalogue:
    """One language's texts; English is the program's own."""

    def __init__(self, language, folder, differ):
        self.english = language == "en"
        self.differ = differ and not self.english
        self.translation = gettext.NullTranslations()
        if not self.english:
            try:
                self.translation = gettext.translation("candlewatcher", localedir=folder, languages=[language])
            except OSError:
                raise Untranslated(f"no catalogue for {language!r} in {folder}") from None
            self.translation.add_fallback(Missing())

    def text(self, english):
        translated = self.translation.gettext(english)
        if self.differ and translated == english and english not in SAME_IN_MANY_LANGUAGES:
            raise Untranslated(f"untranslated: {english!r} (the catalogue keeps the English)")
        return translated

    def all(self, texts):
        """The translations of `texts` and what is untranslated among them."""
        translated, problems = [], []
        for english in texts:
            try:
                translated.append(self.text(english))
            except Untranslated as error:
                problems.append(str(error))
        return translated, problems

    def name(self, english):
        """The accessible name of a caption: without its mnemonic, "(&X)" groups as well as single "&"."""
        return re.sub(r"&(&?)", r"\1", re.sub(r"\(&[^)]\)", "", self.text(english)))

    def names(self, key):
        return [self.name(english) for english in TABLE[key]]


class Missing(gettext.NullTranslations):
    """The catalogue's fallback: a text it lacks is an error, not the English."""

    def gettext(self, message):
        raise Untranslated(f"untranslated: {message!r}")


FIELD_ROLES = {"text", "entry", "password text", "spin button"}


class Node:
    """One object of the tree as read at one moment."""

    def __init__(self, accessible, depth=0):
        self.accessible = accessible
        self.role = accessible.get_role_name()
        self.name = accessible.get_name() or ""
        self.description = accessible.get_description() or ""
        self.showing = accessible.get_state_set().contains(Atspi.StateType.SHOWING)
        count = accessible.get_child_count() if depth < 12 else 0
        self.children = [Node(accessible.get_child_at_index(i), depth + 1) for i in range(count)]

    def walk(self):
        yield self
        for child in self.children:
            yield from child.walk()

    def names(self, roles):
        return [node.name for node in self.walk() if node.role in roles and node.showing]

    def dump(self, indent=0):
        state = "" if self.showing else " (not showing)"
        line = f"{'  ' * indent}{self.role} {self.name!r} {self.description!r}{state}"
        return "\n".join([line] + [child.dump(indent + 1) for child in self.children])


def application(pid):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_process_id() == pid:
            app.set_cache_mask(Atspi.Cache.NONE)  # every read asks the program afresh
            return app
    return None


def missing(expected, found):
    return [f"no {what} named {name!r} (found {found[what]})" for what, names in expected.items()
            for name in names if name not in found[what]]


def check_list(catalogue, windows, names):
    buttons = catalogue.names("list buttons")
    for window in windows:
        if buttons[0] not in window.names({"push button"}):
            continue
        found = {"push button": window.names({"push button"}), "list": window.names({"list"})}
        problems = missing({"push button": buttons, "list": catalogue.names("list")}, found)
        if (window.role, window.name) != ("frame", WINDOW):
            problems.append(f"list window: {window.role} {window.name!r}")
        items = window.names({"list item"})
        if items != names:
            problems.append(f"list items {items}, expected {names}")
        return problems
    return ["no window with the list window's buttons"]


def check_add(catalogue, windows, _):
    for window in windows:
        if window.role != "dialog" or not window.showing:
            continue
        found = {"field": window.names(FIELD_ROLES), "push button": window.names({"push button"}),
                 "frame": window.names({"panel"}), "label": window.names({"label"})}
        expected = {"field": catalogue.names("add fields"), "push button": catalogue.names("add buttons"),
                    "frame": catalogue.names("add frame"), "label": catalogue.names("add captions")}
        return missing(expected, found) + ([] if window.name == WINDOW else [f"dialog titled {window.name!r}"])
    return ["no dialog on screen"]


def tray_menu(deadline):
    """The tray menu on screen, reached as a screen reader reaches it: a popup is no child of the
    application, so through the focus that Down gives its first entry."""
    focused = []
    listener = Atspi.EventListener.new(lambda event: focused.append(event.source) if event.detail1 else None)
    listener.register("object:state-changed:focused")
    subprocess.run(["xdotool", "key", "Down"], check=True)
    while time.monotonic() < deadline:
        for source in focused:
            if source.get_role_name() == "menu item":
                return source.get_parent()
        GLib.MainContext.default().iteration(False)
        time.sleep(0.02)
    return None


def check_menu(catalogue, deadline, entry):
    """The menu's entries; then picks ENTRY, when given, as a screen reader does."""
    menu = tray_menu(deadline)
    if menu is None:
        print("no tray menu entry took the focus", file=sys.stderr)
        return 1
    items = [node for node in Node(menu).walk() if node.role == "menu item" and node.name]
    entries, expected = [node.name for node in items], catalogue.names("menu")
    if entries != expected:
        print(f"menu entries {entries}, expected {expected}", file=sys.stderr)
        return 1
    for node in items:
        if entry and node.name == catalogue.name(entry[0]):
            node.accessible.do_action(0)
    print("menu: as expected", file=sys.stderr)
    return 0


def check_panel(catalogue, windows, rows):
    description = catalogue.text(TABLE["panel description"][0]).replace("%1", ", ".join(rows))
    for window in windows:
        if window.description != description:
            continue
        problems = [] if (window.role, window.name) == ("frame", WINDOW) else [
            f"panel: {window.role} {window.name!r}"]
        labels = [name for name in window.names({"label"}) if name]
        if labels != rows:
            problems.append(f"row labels {labels}, expected {rows}")
        return problems
    return [f"no window described as {description!r}"]


CHECKS = {"list": check_list, "add": check_add, "panel": check_panel}


def main(arguments):
    differ = arguments[0] == "--differ"
    language, folder, command, *rest = arguments[1:] if differ else arguments
    try:
        catalogue = Catalogue(language, folder, differ)
        if command in ("texts", "text"):
            english = rest if command == "text" else [text for key, texts in TABLE.items() for text in texts
                                                      if not rest or key.split()[0] in rest]
            translated, problems = catalogue.all(english)
            if command == "text" and not problems:
                print("\n".join(translated))
            print("".join(f"{language}: {problem}\n" for problem in problems), end="", file=sys.stderr)
            return 1 if problems else 0
        deadline = time.monotonic() + 15
        if rest[0] == "menu":
            return check_menu(catalogue, deadline, rest[1:])
        pid, check, rest = int(command), CHECKS[rest[0]], rest[1:]
        while True:
            app = application(pid)
            windows = [Node(app.get_child_at_index(i)) for i in range(app.get_child_count())] if app else []
            problems = check(catalogue, windows, rest) if app else [f"process {pid} is not on the AT-SPI bus"]
            if not problems:
                print(f"{check.__name__}: as expected", file=sys.stderr)
                return 0
            if time.monotonic() > deadline:
                print("\n".join(problems), file=sys.stderr)
                print("\n".join(window.dump() for window in windows), file=sys.stderr)
                return 1
            time.sleep(0.1)
    except Untranslated as error:
        print(f"{language}: {error}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
