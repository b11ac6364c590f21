"""The secondary windows, each opened, used and closed with real input: the
periodic table, the print window, the about window and the two wizards."""

import os
import sqlite3
import subprocess
import unittest

from desktop import (CAPTION_H, MENU_BAR_X, DesktopTest, caption_button_point, center, setUpModule,  # noqa: F401
                     tearDownModule)  # noqa: F401

HELP_MENU = ["？内容", "技术支持"]


class Secondary(DesktopTest):

    def open_from_toolbar(self, index, name):
        self.wait_active("sq")
        self.click_widget("sq/Toolbar1_%d" % index)
        frm = self.wait_window(name)
        self.wait_active(name)
        return frm

    def close_by_caption(self, name):
        frm = self.window(name)
        self.x.click(*caption_button_point(frm["geometry"], "close"))
        self.wait_window(name, shown=False)

    def rows(self, where="", args=()):
        with sqlite3.connect("file:%s?mode=ro" % self.program.file("data/sj1.data"), uri=True) as db:
            db.row_factory = sqlite3.Row
            return [dict(r) for r in db.execute("select * from sj " + where, args)]

    def assertControlsInside(self, name, paths):
        """The window's main controls lie inside it with a usable size."""
        frm = self.window(name)
        fx, fy, fw, fh = frm["geometry"]
        for path in paths:
            g = self.hook.get("%s/%s" % (name, path))
            x, y, w, h = g["geometry"]
            self.assertTrue(g["visible"], path + " is shown")
            self.assertTrue(w >= 16 and h >= 16, "%s has a usable size: %r" % (path, g["geometry"]))
            self.assertTrue(fx <= x and fy <= y and x + w <= fx + fw and y + h <= fy + fh,
                            "%s %r lies inside %s %r" % (path, g["geometry"], name, frm["geometry"]))

    def shrink(self, name):
        """Drags the window's lower-right corner as far up and left as it goes."""
        x, y, w, h = self.window(name)["geometry"]
        self.x.drag((x + w - 3, y + h - 3), (x + 20, y + 20))
        return self.settled_geometry(name)

    def assertCaptionButtonsShown(self, name):
        g = self.window(name)["geometry"]
        # The three caption buttons and the icon need about 150 pixels.
        self.assertGreaterEqual(g[2], 150, "%s keeps its caption buttons: %r" % (name, g))
        self.assertGreaterEqual(g[3], CAPTION_H + 40, "%s keeps room below its caption: %r" % (name, g))

    # ---- periodic table ----

    def test_periodic_table(self):
        frm = self.open_from_toolbar(20, "periodicfrm")
        self.step("opened")
        self.assertEqual(frm["windowTitle"], "元素周期表")
        cell = self.wait(lambda: (lambda i: i if i["found"] and i["visible"] else None)(
            self.hook.item("periodicfrm/MSFlexGrid1", "Fe")), "the cell of Fe on screen")
        self.x.double_click(*center(self.on_screen("periodicfrm", cell["geometry"])))
        # The main window searches the formulas beginning with the symbol;
        # the table goes to the task bar.
        self.wait_prop("sq/Label3", "text", self.count_caption(1))
        self.assertEqual(self.hook.get("sq/Combo1")["currentText"], "分子式")
        self.assertEqual(self.hook.get("sq/Combo2")["currentText"], "Fe")
        self.assertEqual(self.hook.get("sq/List1")["entries"], ["三氯化铁；氯化铁"])
        self.wait(lambda: self.window("periodicfrm")["minimized"], "the table minimised")
        self.step("searched")
        # Opened again, the minimised table comes back.
        self.click_widget("sq/Toolbar1_20")
        self.wait_window("periodicfrm")
        self.wait_active("periodicfrm")
        self.close_by_caption("periodicfrm")

    def test_periodic_table_minimum_size(self):
        self.open_from_toolbar(20, "periodicfrm")
        self.shrink("periodicfrm")
        self.step("smallest")
        self.assertCaptionButtonsShown("periodicfrm")
        self.assertControlsInside("periodicfrm", ["MSFlexGrid1"])

    # ---- print ----

    def test_print_window_right_after_start_up(self):
        self.click_widget("sq/Toolbar1_14")
        self.wait_window("print1")
        self.wait_active("print1")
        state = self.hook.state()
        self.assertEqual(state["focus"].get("window"), "print1", "keys go to the print window")

    def test_print_to_file_and_cancel(self):
        self.open_from_toolbar(14, "print1")
        self.step("opened")
        self.assertTrue(self.hook.get("print1/Option2")["checked"], "全部打印 is chosen at first")
        self.click_widget("print1/Option1")
        self.wait_prop("print1/Option1", "checked", True)
        self.click_widget("print1/Option2")
        self.wait_prop("print1/Option2", "checked", True)
        # No printer on this machine: 打印 asks for a PDF file.
        self.click_widget("print1/Command1")
        dialog = self.wait(lambda: (lambda m: m if m.get("class") == "QFileDialog" else None)(
            self.hook.state()["modal"]), "the file dialog")
        self.step("file-dialog")
        target = os.path.join(self.program.folder, "printed.pdf")
        self.x.key("ctrl+a")
        self.x.type(target)
        self.x.key("Return")
        self.wait_window("print1", shown=False)
        self.wait(lambda: os.path.exists(target) and os.path.getsize(target) > 0, "the PDF " + target)
        text = subprocess.run(["pdftotext", target, "-"], capture_output=True, text=True).stdout
        self.assertIn("甲酸", text, "the record is in the printed file")
        del dialog
        # Opened again and cancelled.
        self.open_from_toolbar(14, "print1")
        self.click_widget("print1/print")
        self.wait_window("print1", shown=False)

    def test_print_window_opens_whole_every_time(self):
        # Opened and closed again and again, the window comes up with its
        # caption and frame, where the X server has it.
        for attempt in range(5):
            with self.subTest(attempt=attempt):
                self.x.click(*self.search_box_point())
                self.wait(lambda: self.focus_in("Combo2"), "the caret in the search box")
                self.x.key("ctrl+p")
                try:
                    frm = self.wait_window("print1")
                    self.step("print-%d" % attempt)
                    self.assertEqual(frm["geometry"], self.x.window_geometry(frm["winId"]))
                finally:
                    self.close_print_window()

    def test_print_window_minimum_size(self):
        self.open_from_toolbar(14, "print1")
        self.shrink("print1")
        self.assertCaptionButtonsShown("print1")
        self.assertControlsInside("print1", ["Command1", "print", "Option1", "Option2"])

    # ---- about ----

    def open_about_with_the_mouse(self):
        self.wait_active("sq")
        x, y, w, _ = self.window("sq")["geometry"]
        bar_y = y + CAPTION_H * 3 // 4
        # The first entry of the caption menu bar, then along the bar to 帮助.
        self.x.click(x + MENU_BAR_X + 14, bar_y)
        self.wait_popup(None, "a menu from the caption menu bar")
        for px in range(x + MENU_BAR_X + 14, x + w - 120, 8):
            self.x.move(px, bar_y)
            p = self.popup()
            if p and [a["text"] for a in p.get("actions", []) if a["visible"]] == HELP_MENU:
                break
        self.wait_popup(HELP_MENU, "the 帮助 menu")
        self.click_popup("技术支持")
        self.wait_window("about")

    def test_about_window(self):
        self.open_about_with_the_mouse()
        self.step("about")
        about = self.window("about")
        ax, ay, aw, ah = about["contentsGeometry"]
        # Every text is whole and inside the frame.
        for w in self.hook.tree("about"):
            if w["class"] not in ("QLabel", "QPushButton"):
                continue
            x, y, width, height = w["geometry"]
            self.assertTrue(ax <= x and ay <= y and x + width <= ax + aw and y + height <= ay + ah,
                            "%r %r lies inside the frame %r" % (w.get("text", "")[:20], w["geometry"],
                                                                about["contentsGeometry"]))
            needed = w.get("heightForWidth", w["sizeHint"][1])
            self.assertGreaterEqual(height, needed, "%r is not cut off" % w.get("text", "")[:20])
        counts = self.hook.get("about/aboutCounts")["text"]
        self.assertIn("10", counts)
        self.click_widget("about/aboutClose")
        self.wait_window("about", shown=False)

    # ---- the edit wizard ----

    def wizard_item(self, name):
        return self.hook.get(name + "/TreeView1")["currentText"]

    def test_edit_wizard_steps_and_saves(self):
        before = self.rows("where 中文名称 = ?", ("甲酸；蚁酸",))
        self.assertEqual(len(before), 1)
        frm = self.open_from_toolbar(16, "datafrm")
        self.step("opened")
        self.assertEqual(frm["windowTitle"], "纪录修改向导")
        first = self.wizard_item("datafrm")
        self.assertTrue(first)
        self.click_widget("datafrm/Toolbar1_6")  # 前进
        second = self.wait(lambda: (lambda t: t if t != first else None)(self.wizard_item("datafrm")),
                           "前进 to step to the next item")
        self.wait_prop("datafrm/Label1", "text", second)
        self.click_widget("datafrm/Toolbar1_6")
        third = self.wait(lambda: (lambda t: t if t not in (first, second) else None)(self.wizard_item("datafrm")),
                          "前进 once more")
        self.click_widget("datafrm/Toolbar1_5")  # 后退
        self.wait(lambda: self.wizard_item("datafrm") == second, "后退 to step back")
        self.step("stepped")
        del third
        # The uses item: click it, add to its text, save.
        self.click_item("datafrm/TreeView1", "用途")
        self.wait_prop("datafrm/Label1", "text", "用途")
        self.click_widget("datafrm/Text1")
        self.wait_prop("datafrm/Text1", "hasFocus", True)
        self.x.key("ctrl+End")
        self.x.type("桌面测试")
        self.wait(lambda: self.hook.get("datafrm/Text1")["plainText"].endswith("桌面测试"),
                  "the typed text in the editor")
        self.click_widget("datafrm/Toolbar1_8")  # 保存
        # Written, and shown again in the main window.
        self.wait(lambda: self.rows("where 中文名称 = ?", ("甲酸；蚁酸",))[0]["用途"].endswith("桌面测试"),
                  "保存 to write the uses")
        self.wait(lambda: "桌面测试" in self.record_text(), "the main window to show the saved record")
        self.click_widget("datafrm/Toolbar1_12")  # 退出
        self.wait_window("datafrm", shown=False)
        after = self.rows("where 中文名称 = ?", ("甲酸；蚁酸",))
        self.assertEqual(len(after), 1)
        self.assertEqual(after[0]["用途"], before[0]["用途"] + "桌面测试")
        for field in before[0]:
            if field != "用途":
                self.assertEqual(after[0][field], before[0][field], field + " is unchanged")
        self.assertEqual(len(self.rows()), 10)

    def test_edit_wizard_exit_writes_nothing(self):
        before = self.rows()
        self.open_from_toolbar(16, "datafrm")
        self.click_widget("datafrm/Toolbar1_6")
        self.wait(lambda: self.hook.get("datafrm/Toolbar1_5")["enabled"], "后退 enabled after a step")
        self.click_widget("datafrm/Toolbar1_12")  # 退出
        self.wait_window("datafrm", shown=False)
        self.assertEqual(self.rows(), before)

    def test_edit_wizard_minimum_size(self):
        self.open_from_toolbar(16, "datafrm")
        self.shrink("datafrm")
        self.assertCaptionButtonsShown("datafrm")
        self.assertControlsInside("datafrm", ["TreeView1", "Text2"])

    # ---- the add wizard ----

    def test_add_wizard_steps_and_adds(self):
        self.open_from_toolbar(17, "addfrm")
        self.step("opened")
        first = self.wizard_item("addfrm")
        # Without a Chinese name the wizard does not step on.
        self.click_widget("addfrm/Toolbar1_6")
        box = self.wait(lambda: (lambda m: m if m.get("class") == "QMessageBox" else None)(
            self.hook.state()["modal"]), "the warning about the missing name")
        self.step("warning")
        self.x.key("Return")
        self.wait(lambda: not self.hook.state()["modal"], "the warning to close")
        del box
        self.assertEqual(self.wizard_item("addfrm"), first)
        # The name, then the step buttons.
        self.click_widget("addfrm/Text2")
        self.wait_prop("addfrm/Text2", "hasFocus", True)
        self.x.type("桌面样品")
        self.wait_prop("addfrm/Text2", "plainText", "桌面样品")
        self.click_widget("addfrm/Toolbar1_6")  # 前进
        second = self.wait(lambda: (lambda t: t if t != first else None)(self.wizard_item("addfrm")),
                           "前进 to step to the next item")
        self.wait_prop("addfrm/Label1", "text", second)
        self.click_widget("addfrm/Toolbar1_5")  # 后退
        self.wait(lambda: self.wizard_item("addfrm") == first, "后退 to step back")
        self.wait_prop("addfrm/Text2", "plainText", "桌面样品")
        self.step("stepped")
        self.click_widget("addfrm/Toolbar1_14")  # 退出
        self.wait_window("addfrm", shown=False)
        added = self.rows("where 中文名称 = ?", ("桌面样品",))
        self.assertEqual(len(added), 1)
        self.assertEqual(len(self.rows()), 11)

    def test_add_wizard_minimum_size(self):
        self.open_from_toolbar(17, "addfrm")
        self.shrink("addfrm")
        self.assertCaptionButtonsShown("addfrm")
        self.assertControlsInside("addfrm", ["TreeView1", "Text2"])


if __name__ == "__main__":
    unittest.main()
