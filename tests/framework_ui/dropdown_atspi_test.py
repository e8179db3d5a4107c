#!/usr/bin/python3
# The drop-down lists as the desktop's accessibility layer (AT-SPI) shows them
# to a screen reader: combo boxes named by their labels, their entries as
# children made on request, the chosen entry, the open or closed state, and
# the events of keys and actions. Run under its own session bus:
#   dbus-run-session -- /usr/bin/python3 dropdown_atspi_test.py HOST
# where HOST is the program that shows the dialog (AccessibilityHost.cpp).
import select
import subprocess
import sys
import time
import unittest

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import GLib  # noqa: E402
import pyatspi  # noqa: E402

HOST = None
ENTRIES = 100000  # the group list: a blank entry and G000001..G100000


def pump(seconds=0.0):
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while True:
        while context.iteration(False):
            pass
        if time.monotonic() >= end:
            return
        time.sleep(0.01)


def wait_for(condition, timeout=10.0):
    end = time.monotonic() + timeout
    while True:
        pump()
        value = condition()
        if value or time.monotonic() >= end:
            return value
        time.sleep(0.02)


def keys(*names):
    subprocess.run(["xdotool", "key", "--delay", "40", *names], check=True)


def fresh(accessible):
    # Reads go past the client's cache, which events keep only loosely.
    accessible.clear_cache()
    return accessible


def states(accessible):
    return set(fresh(accessible).getState().getStates())


def combo_boxes(root):
    """The combo boxes under root, without walking into their entries."""
    found, stack = [], [root]
    while stack:
        node = stack.pop()
        if node.getRole() == pyatspi.ROLE_COMBO_BOX:
            found.append(node)
            continue
        stack.extend(child for child in node if child is not None)
    return found


class Host:
    def __init__(self):
        self.process = subprocess.Popen([HOST, str(ENTRIES)], stdout=subprocess.PIPE, text=True)
        ready, _, _ = select.select([self.process.stdout], [], [], 120)
        if not ready or self.process.stdout.readline().strip() != "ready":
            self.close()
            raise RuntimeError("the host program did not start")

        def application():
            for app in pyatspi.Registry.getDesktop(0):
                if app is not None and app.get_process_id() == self.process.pid:
                    return app
            return None

        self.app = wait_for(application, 30)
        if self.app is None:
            self.close()
            raise RuntimeError("the host program is not on the accessibility bus")

    def close(self):
        """Ends the dialog as a user would (Esc closes an open list first,
        then cancels the dialog); returns the host's exit status."""
        for _ in range(3):
            if self.process.poll() is not None:
                break
            keys("Escape")
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                pass
        if self.process.poll() is None:
            self.process.kill()
        status = self.process.wait()
        self.process.stdout.close()
        return status


class DropDownAccessibility(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.host = Host()
        lists = {box.name: box for box in combo_boxes(cls.host.app)}
        cls.groups = lists.get("Group Id")
        cls.clients = lists.get("Client Id")

    @classmethod
    def tearDownClass(cls):
        # Under the sanitizers a fault or a leak makes the status nonzero.
        if cls.host.close() != 0:
            raise AssertionError("the host program did not end cleanly")

    def setUp(self):
        self.assertIsNotNone(self.groups, "no combo box named Group Id")
        self.assertIsNotNone(self.clients, "no combo box named Client Id")
        self.events = []
        self.kinds = ["object:state-changed", "object:selection-changed",
                      "object:text-changed", "object:active-descendant-changed"]
        pyatspi.Registry.registerEventListener(self.events.append, *self.kinds)
        pump(0.2)

    def tearDown(self):
        pyatspi.Registry.deregisterEventListener(self.events.append, *self.kinds)

    def saw(self, kind, source, detail1=None, name=None):
        """Waits for an event of the kind from the source (or its entries)."""
        def seen():
            for e in self.events:
                if not e.type.startswith(kind) or (detail1 is not None and e.detail1 != detail1):
                    continue
                if source is not None and e.source != source:
                    continue
                if name is not None and e.source.name != name and \
                        getattr(e.any_data, "name", None) != name:
                    continue
                return True
            return False
        return wait_for(seen)

    def choose(self, index):
        self.assertTrue(self.groups.querySelection().selectChild(index))
        self.assertTrue(wait_for(lambda: self.chosen() == self.entry_name(index)))

    def chosen(self):
        text = fresh(self.groups).queryText()
        return text.getText(0, text.characterCount)

    @staticmethod
    def entry_name(index):
        return "" if index == 0 else "G%06d" % index

    def test_lists_are_collapsed_combo_boxes_named_by_their_labels(self):
        for box, label in ((self.groups, "Group Id"), (self.clients, "Client Id")):
            got = states(box)
            for state in (pyatspi.STATE_FOCUSABLE, pyatspi.STATE_ENABLED,
                          pyatspi.STATE_SENSITIVE, pyatspi.STATE_SHOWING,
                          pyatspi.STATE_VISIBLE, pyatspi.STATE_EXPANDABLE,
                          pyatspi.STATE_COLLAPSED):
                self.assertIn(state, got, f"{label}: {state}")
            self.assertNotIn(pyatspi.STATE_EXPANDED, got)
            labels = [r.getTarget(0).name for r in box.getRelationSet()
                      if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
            self.assertEqual(labels, [label])

    def test_entries_are_the_children_of_the_list_they_drop_down(self):
        self.assertEqual(self.groups.childCount, 1)
        menu = self.groups[0]
        self.assertEqual(menu.getRole(), pyatspi.ROLE_MENU)
        self.assertEqual(menu.parent, self.groups)
        self.assertIn(pyatspi.STATE_MANAGES_DESCENDANTS, states(menu))
        self.assertEqual(menu.childCount, ENTRIES + 1)
        for index in (0, 1, 12345, ENTRIES):
            entry = menu[index]
            self.assertEqual(entry.name, self.entry_name(index))
            self.assertEqual(entry.getRole(), pyatspi.ROLE_MENU_ITEM)
            self.assertEqual(entry.getIndexInParent(), index)
            self.assertEqual(entry.parent, menu)
            self.assertIn(pyatspi.STATE_SELECTABLE, states(entry))
        self.assertIsNone(menu.getChildAtIndex(ENTRIES + 1))

    def test_choosing_through_the_selection_chooses_as_a_user(self):
        self.choose(777)
        selection = fresh(self.groups).querySelection()
        self.assertEqual(selection.nSelectedChildren, 1)
        self.assertEqual(selection.getSelectedChild(0).name, "G000777")
        self.assertTrue(selection.isChildSelected(777))
        self.assertIn(pyatspi.STATE_SELECTED, states(self.groups[0][777]))
        self.assertNotIn(pyatspi.STATE_SELECTED, states(self.groups[0][776]))
        self.assertTrue(self.saw("object:selection-changed", self.groups))
        self.assertTrue(self.saw("object:text-changed:insert", self.groups))
        # The dialog heard of it: the client list holds the group's clients.
        self.assertTrue(wait_for(lambda: fresh(self.clients[0]).childCount == 3))
        self.assertEqual([e.name for e in self.clients[0]],
                         ["G000777-C1", "G000777-C2", "G000777-C3"])

    def test_the_action_opens_and_closes_the_list(self):
        action = self.groups.queryAction()
        self.assertEqual(action.nActions, 1)
        self.assertEqual(action.getName(0), "press")
        self.assertTrue(action.doAction(0))
        self.assertTrue(wait_for(lambda: pyatspi.STATE_EXPANDED in states(self.groups)))
        self.assertNotIn(pyatspi.STATE_COLLAPSED, states(self.groups))
        self.assertIn(pyatspi.STATE_SHOWING, states(self.groups[0]))
        self.assertTrue(self.saw("object:state-changed:expanded", self.groups, 1))
        self.assertTrue(action.doAction(0))
        self.assertTrue(wait_for(lambda: pyatspi.STATE_COLLAPSED in states(self.groups)))
        self.assertNotIn(pyatspi.STATE_SHOWING, states(self.groups[0]))
        self.assertTrue(self.saw("object:state-changed:expanded", self.groups, 0))

    def test_keys_tell_the_screen_reader_what_happens(self):
        self.choose(20)
        single = [c for c in self.groups.parent if c.name == "Single User"][0]
        self.assertTrue(single.queryComponent().grabFocus())
        self.assertTrue(wait_for(lambda: pyatspi.STATE_FOCUSED in states(single)))
        self.events.clear()
        keys("Tab")
        self.assertTrue(self.saw("object:state-changed:focused", self.groups, 1))
        self.assertIn(pyatspi.STATE_FOCUSED, states(self.groups))
        keys("Down")
        self.assertTrue(wait_for(lambda: self.chosen() == "G000021"))
        self.assertTrue(self.saw("object:selection-changed", self.groups))
        # Open: the highlighted entry takes the reader's focus.
        keys("alt+Down")
        self.assertTrue(self.saw("object:state-changed:expanded", self.groups, 1))
        self.events.clear()
        keys("Down", "Down")
        self.assertTrue(self.saw("object:active-descendant-changed", self.groups[0],
                                 name="G000023"))
        self.assertTrue(self.saw("object:state-changed:focused", None, 1, name="G000023"))
        self.assertEqual(self.chosen(), "G000021")  # nothing chosen while open
        keys("Return")
        self.assertTrue(self.saw("object:state-changed:expanded", self.groups, 0))
        self.assertTrue(wait_for(lambda: self.chosen() == "G000023"))
        self.assertTrue(self.saw("object:selection-changed", self.groups))


if __name__ == "__main__":
    HOST = sys.argv.pop(1)
    unittest.main(verbosity=2)
