"""The search bar, the result list and the menu shortcuts, driven by real
keyboard and mouse input on the fixture database."""

import unittest

from desktop import DesktopTest, setUpModule, tearDownModule  # noqa: F401

# What the fixture database answers.
ROUTES = [
    # route, typed text, entries expected in the list (any order), entry selected
    ("中文名称", "苯", {"苯", "苯酚；石炭酸", "对苯二胺"}, "苯"),
    ("英文名称", "chloride", {"sodium chloride;salt", "iron(III) chloride;ferric chloride"}, None),
    ("用途", "塑料；填料", {"苯酚；石炭酸", "对苯二胺", "氯化钠；食盐"}, None),
    ("分子式", "C6H6", {"苯", "苯酚；石炭酸"}, None),
    # What chemists type: the routes through the search keys, and a CAS
    # number on the name route, which no name holds.
    ("CAS号", "64-19-7", {"乙酸；醋酸；冰醋酸"}, None),
    ("拼音", "jiasuan", {"甲酸；蚁酸"}, "甲酸；蚁酸"),
    ("元素", "Fe", {"三氯化铁；氯化铁"}, "三氯化铁；氯化铁"),
    ("中文名称", "64-18-6", {"甲酸；蚁酸"}, "甲酸；蚁酸"),
]


class SearchBox(DesktopTest):

    def search(self, route, text):
        self.choose_route(route)
        self.type_into_search_box(text)
        self.step("typed-" + route)
        self.x.key("Return")

    def test_enter_searches_on_each_route(self):
        for route, text, expected, selected in ROUTES:
            with self.subTest(route=route):
                self.search(route, text)
                caption = self.count_caption(len(expected))
                self.wait_prop("sq/Label3", "text", caption)
                self.step("searched-" + route)
                lst = self.hook.get("sq/List1")
                self.assertEqual(set(lst["entries"]), expected)
                self.assertTrue(lst["visible"], "the list tab is in view")
                self.assertEqual(self.hook.get("sq/TabStrip1")["currentTab"], 1)
                current = lst["currentText"]
                if selected:
                    self.assertEqual(current, selected)
                self.assertIn(current, expected)
                # The record pane shows the selected chemical.
                first_name = current.replace(";", "；").split("；")[0]
                self.wait(lambda: first_name in self.record_text(), "the record of " + current)
                # The text is still what was typed.
                self.assertEqual(self.hook.get("sq/Combo2")["editText"], text)

    def test_typing_selects_the_list_tab(self):
        self.click_item("sq/TabStrip1", "常用化学品目录")
        self.wait_prop("sq/TreeView1", "visible", True)
        self.x.click(*self.search_box_point())
        self.x.type("苯")
        self.wait_prop("sq/List1", "visible", True)
        self.assertEqual(self.hook.get("sq/TabStrip1")["currentTab"], 1)

    def test_enter_on_empty_box_asks_for_text(self):
        self.x.click(*self.search_box_point())
        self.x.key("ctrl+a", "BackSpace")
        self.wait_prop("sq/Combo2", "editText", "")
        self.x.key("Return")
        # The search command refuses empty input and asks for a text in the box.
        self.wait_prop("sq/Combo2", "editText", "请输入检索条件……")
        self.step("asked")

    def test_arrows_and_enter_in_list(self):
        self.search("中文名称", "酸")
        self.wait_prop("sq/Label3", "text", self.count_caption(4))
        entries = self.hook.get("sq/List1")["entries"]
        self.click_item("sq/List1", entries[0])
        self.wait_prop("sq/List1", "hasFocus", True)
        self.wait_prop("sq/List1", "currentRow", 0)
        for key, row in (("Down", 1), ("Down", 2), ("Up", 1)):
            self.x.key(key)
            lst = self.wait_prop("sq/List1", "currentRow", row)
            name = entries[row].split("；")[0]
            self.wait(lambda: name in self.record_text(), "the record of " + entries[row])
            self.assertEqual(lst["currentText"], entries[row])
        self.step("moved")
        # Enter shows the current entry again and adds it to the history.
        history = self.hook.get("sq/Combo2")["items"]
        self.x.key("Return")
        items = self.wait(lambda: (lambda i: i if len(i) == len(history) + 1 else None)(
            self.hook.get("sq/Combo2")["items"]), "Enter to add the entry to the history")
        self.assertEqual(items[-1], entries[1])
        self.assertEqual(self.hook.get("sq/List1")["currentRow"], 1)
        self.assertIn(entries[1].split("；")[0], self.record_text())


class Shortcuts(DesktopTest):
    """Every menu shortcut with the caret in the search box, then from the list,
    the tree and the record pane."""

    def press(self, key, command):
        before = len(self.commands())
        self.x.key(key)
        return self.wait(lambda: command in self.commands()[before:], "%s to run %s" % (key, command))

    def test_every_shortcut_from_the_search_box(self):
        # History: 甲酸 (start-up), then 苯, then 苯酚.
        for text in ("苯", "苯酚"):
            self.type_into_search_box(text)
            self.x.key("Return")
            self.wait_prop("sq/Label3", "text", self.count_caption(3 if text == "苯" else 1))
        self.wait(lambda: "苯酚" in self.record_text(), "the record of 苯酚")
        self.x.click(*self.search_box_point())
        self.wait(lambda: self.hook.get("sq/Combo2").get("editHasFocus"), "the caret in the search box")

        # Ctrl+F runs the search command on the text in the box.
        self.x.key("ctrl+a")
        self.x.type("苯")
        self.wait_prop("sq/Combo2", "editText", "苯")
        self.press("ctrl+f", "search")
        self.wait_prop("sq/Label3", "text", self.count_caption(3))
        self.wait(lambda: self.hook.get("sq/List1")["currentText"] == "苯", "the list of 苯")

        # Ctrl+D goes back, Ctrl+U forward; the box keeps its text otherwise.
        self.press("ctrl+d", "down")
        back = self.wait(lambda: (lambda t: t if t != "苯" else None)(self.hook.get("sq/Combo2")["currentText"]),
                         "Ctrl+D to go back")
        self.step("back")
        self.press("ctrl+u", "up")
        self.wait(lambda: self.hook.get("sq/Combo2")["currentText"] != back, "Ctrl+U to go forward")
        self.assertNotEqual(self.hook.get("sq/Combo2")["currentText"], "", "Ctrl+U must not clear the box")

        # Ctrl+S selects the whole record, Ctrl+C copies it.
        self.press("ctrl+s", "select")
        record = self.wait(lambda: (lambda r: r if r["selectedText"] and
                                    r["selectionEnd"] - r["selectionStart"] >= len(r["plainText"]) else None)(
            self.hook.get("sq/RichTextBox1")), "Ctrl+S to select the record")
        self.press("ctrl+c", "copy")
        first_line = record["plainText"].strip().splitlines()[0]
        self.wait(lambda: first_line in self.hook.state()["clipboard"], "Ctrl+C to copy the record")

        # F1 asks for the help file (missing here, so nothing opens).
        self.press("F1", "help")

        # Ctrl+P opens the print window; its 取消 closes it.
        self.press("ctrl+p", "print")
        try:
            self.wait_window("print1")
            self.step("print-window")
        finally:
            self.close_print_window()

        # Ctrl+Q ends the program.
        self.x.click(*self.search_box_point())
        self.wait(lambda: self.hook.get("sq/Combo2").get("editHasFocus"), "the caret in the search box")
        self.x.key("ctrl+q")
        self.assertEqual(self.program.proc.wait(30), 0)

    def focus_list(self):
        lst = self.hook.get("sq/List1")
        self.click_item("sq/List1", lst["currentText"] or lst["entries"][0])
        self.wait_prop("sq/List1", "hasFocus", True)

    def focus_tree(self):
        self.click_item("sq/TabStrip1", "常用化学品目录")
        tree = self.wait_prop("sq/TreeView1", "visible", True)
        self.click_item("sq/TreeView1", tree["topLevel"][0])
        self.wait_prop("sq/TreeView1", "hasFocus", True)

    def focus_record(self):
        self.click_widget("sq/RichTextBox1")
        self.wait_prop("sq/RichTextBox1", "hasFocus", True)

    def test_shortcuts_from_list_tree_and_record_pane(self):
        self.type_into_search_box("苯")
        self.x.key("Return")
        self.wait_prop("sq/Label3", "text", self.count_caption(3))
        for place, focus in (("list", self.focus_list), ("record pane", self.focus_record),
                             ("tree", self.focus_tree)):
            for key, command in (("ctrl+s", "select"), ("ctrl+c", "copy"), ("ctrl+d", "down"),
                                 ("ctrl+u", "up"), ("ctrl+f", "search"), ("F1", "help")):
                with self.subTest(place=place, key=key):
                    focus()
                    self.press(key, command)
            with self.subTest(place=place, key="ctrl+p"):
                focus()
                self.press("ctrl+p", "print")
                try:
                    self.wait_window("print1")
                finally:
                    self.close_print_window()


if __name__ == "__main__":
    unittest.main()
