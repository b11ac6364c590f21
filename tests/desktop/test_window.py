"""The main window under a window manager: start-up state, caption drag,
maximise, minimise, the keyboard menus and the caption icon's menu."""

import unittest

from desktop import (CAPTION_H, ICON_POINT, MENU_BAR_X, SCREEN_H, SCREEN_W, DesktopTest, caption_button_point,
                     setUpModule, tearDownModule)  # noqa: F401

TOLERANCE = 3  # the skin nudges the pointer by a pixel at every press

FILE_MENU = ["保存文件", "设置打印机", "打印", "退出"]
EDIT_MENU = ["复制", "全选", "清除历史纪录"]
HELP_MENU = ["？内容", "技术支持"]
WINDOW_MENU = ["还原", "移动", "大小", "最小化", "最大化", "关闭"]


class Window(DesktopTest):

    def sq(self):
        return self.window("sq")

    def assertNear(self, actual, expected, what):
        self.assertTrue(all(abs(a - e) <= TOLERANCE for a, e in zip(actual, expected)),
                        "%s: %r, expected %r" % (what, actual, expected))

    def drag_caption(self, dx, dy, at=300, y=12):
        x0, y0, _, _ = self.sq()["geometry"]
        self.x.drag((x0 + at, y0 + y), (x0 + at + dx, y0 + y + dy))

    def wait_geometry(self, name, check, what):
        return self.wait(lambda: (lambda w: w if w and check(w["geometry"]) else None)(self.window(name)), what)

    # ---- start-up ----

    def test_comes_up_active_with_the_caret_in_the_search_box(self):
        self.wait_active("sq")
        self.step("started")
        self.wait(lambda: self.focus_in("Combo2"), "the caret in the search box")
        # Keys typed at once reach the search box.
        self.x.key("ctrl+a")
        self.x.type("苯")
        self.wait_prop("sq/Combo2", "editText", "苯")

    def test_caption_drag_right_after_start_up(self):
        start = self.sq()["geometry"]
        self.drag_caption(120, 80)
        moved = self.wait_geometry("sq", lambda g: abs(g[0] - start[0] - 120) <= TOLERANCE,
                                   "the window to follow the caption drag")
        self.step("dragged")
        self.assertNear(moved["geometry"], [start[0] + 120, start[1] + 80, start[2], start[3]], "after the drag")

    def test_whole_caption_outside_the_controls_moves_the_window(self):
        start = self.sq()["geometry"]
        # The lower half of the caption, right of the menu entries.
        self.drag_caption(-60, 40, at=start[2] - 120, y=CAPTION_H - 10)
        moved = self.wait_geometry("sq", lambda g: abs(g[0] - start[0] + 60) <= TOLERANCE,
                                   "the window to follow a drag in the caption's lower half")
        self.assertNear(moved["geometry"], [start[0] - 60, start[1] + 40, start[2], start[3]], "after the drag")

    # ---- maximise, drag, restore ----

    def test_maximise_drag_restore(self):
        self.wait_active("sq")
        normal = self.sq()["geometry"]
        self.x.click(*caption_button_point(normal, "maximise"))
        full = self.wait(lambda: (lambda w: w if w["maximized"] else None)(self.sq()), "the window maximised")
        self.step("maximised")
        self.assertNear(full["geometry"], [0, 0, SCREEN_W, SCREEN_H], "the maximised window")

        # Dragging the maximised caption restores the size under the pointer.
        grab = (SCREEN_W // 2, 12)
        drop = (500, 300)
        self.x.drag(grab, drop)
        dragged = self.wait(lambda: (lambda w: w if not w["maximized"] and w["geometry"][2] == normal[2] else None)(
            self.sq()), "the drag to restore the window")
        self.step("dragged-from-maximised")
        x, y, w, h = dragged["geometry"]
        self.assertEqual((w, h), (normal[2], normal[3]), "restored to the restore size")
        self.assertTrue(x <= drop[0] < x + w and y <= drop[1] < y + CAPTION_H,
                        "the pointer %r is on the caption of %r" % (drop, dragged["geometry"]))
        self.assertTrue(x > -w // 2 and x + w // 2 < SCREEN_W and 0 <= y < SCREEN_H - CAPTION_H,
                        "the window %r is on the screen" % (dragged["geometry"],))

        # Maximise again, then the restore button gives the restore size back.
        before = dragged["geometry"]
        self.x.click(*caption_button_point(before, "maximise"))
        self.wait(lambda: self.sq()["maximized"], "the window maximised again")
        self.x.click(*caption_button_point([0, 0, SCREEN_W, SCREEN_H], "maximise"))
        restored = self.wait(lambda: (lambda w: w if not w["maximized"] else None)(self.sq()), "the restore button")
        self.step("restored")
        self.assertNear(restored["geometry"], before, "after restore")

    def test_minimise_and_restore(self):
        self.wait_active("sq")
        normal = self.sq()["geometry"]
        self.x.click(*caption_button_point(normal, "minimise"))
        self.wait(lambda: self.sq()["minimized"], "the window minimised")
        self.step("minimised")
        # As a task bar does: ask the window manager to activate the window.
        self.x.xdo("windowactivate", self.sq()["winId"])
        back = self.wait(lambda: (lambda w: w if not w["minimized"] and w["visible"] else None)(self.sq()),
                         "the window restored")
        self.step("restored")
        self.assertNear(back["geometry"], normal, "after restore")
        self.wait_active("sq")

    # ---- keyboard menus ----

    def skinned(self, popup):
        """A popup opened from the caption menu bar hangs below its entry in the caption."""
        sx, sy, _, _ = self.sq()["geometry"]
        x, y, _, _ = popup["geometry"]
        return sx + MENU_BAR_X <= x + TOLERANCE and abs(y - (sy + CAPTION_H)) <= 4

    def test_keyboard_menus_alt(self):
        self.wait_active("sq")
        self.x.click(*self.search_box_point())
        self.x.key("alt")
        self.x.key("Down")
        popup = self.wait_popup(FILE_MENU, "Alt, Down to open 文件")
        self.step("file-menu")
        self.assertTrue(self.skinned(popup), "the 文件 popup hangs from the caption: %r" % (popup["geometry"],))
        self.x.key("Right")
        self.wait_popup(EDIT_MENU, "Right to open 编辑")
        self.x.key("Left")
        self.wait_popup(FILE_MENU, "Left to go back to 文件")
        self.x.key("Left")
        self.wait_popup(HELP_MENU, "Left on the first entry to wrap to 帮助")
        self.x.key("Escape")
        self.wait_no_popup()
        self.x.key("Escape")
        # Out of the menus: typing reaches the search box again.
        self.x.click(*self.search_box_point())
        self.x.key("ctrl+a")
        self.x.type("苯")
        self.wait_prop("sq/Combo2", "editText", "苯")

    def test_keyboard_menus_f10_and_enter(self):
        self.wait_active("sq")
        self.x.key("F10")
        self.x.key("Left")
        self.x.key("Down")
        popup = self.wait_popup(HELP_MENU, "F10, Left, Down to open 帮助")
        self.assertTrue(self.skinned(popup), "the 帮助 popup hangs from the caption: %r" % (popup["geometry"],))
        # Opened from the keyboard, the popup highlights its first entry.
        self.wait(lambda: self.popup().get("activeAction") == "？内容", "？内容 highlighted")
        self.x.key("Down")
        self.wait(lambda: self.popup().get("activeAction") == "技术支持", "Down to highlight 技术支持")
        self.x.key("Return")
        self.wait_no_popup()
        self.wait_window("about")
        self.assertIn("about", self.commands())

    # ---- the caption icon ----

    def test_caption_icon_menu(self):
        self.wait_active("sq")
        g = self.sq()["geometry"]
        icon = (g[0] + ICON_POINT[0], g[1] + ICON_POINT[1])
        self.x.click(*icon)
        popup = self.wait_popup(WINDOW_MENU, "the window menu under the icon")
        self.step("window-menu")
        entries = {a["text"].split("\t")[0]: a for a in popup["actions"] if not a["separator"]}
        self.assertFalse(entries["还原"]["enabled"], "还原 is off while the window is normal")
        self.assertTrue(entries["最大化"]["enabled"])
        self.x.key("Escape")
        self.wait_no_popup()

        self.x.click(*icon)
        self.wait_popup(WINDOW_MENU)
        self.click_popup("最大化")
        self.wait(lambda: self.sq()["maximized"], "最大化 from the window menu")
        self.x.click(ICON_POINT[0], ICON_POINT[1])
        self.wait_popup(WINDOW_MENU)
        self.click_popup("还原")
        restored = self.wait(lambda: (lambda w: w if not w["maximized"] else None)(self.sq()), "还原 from the menu")
        self.assertNear(restored["geometry"], g, "after 还原")

        self.x.click(*icon)
        self.wait_popup(WINDOW_MENU)
        self.click_popup("最小化")
        self.wait(lambda: self.sq()["minimized"], "最小化 from the window menu")
        self.x.xdo("windowactivate", self.sq()["winId"])
        self.wait(lambda: not self.sq()["minimized"], "the window restored")

    def test_caption_icon_double_click_closes_the_window(self):
        # On a secondary window, so that the program goes on.
        self.click_widget("sq/Toolbar1_20")
        frm = self.wait_window("periodicfrm")
        self.wait_active("periodicfrm")
        self.x.double_click(frm["geometry"][0] + ICON_POINT[0], frm["geometry"][1] + ICON_POINT[1])
        self.wait_window("periodicfrm", shown=False)
        self.assertIsNone(self.program.proc.poll(), "the program goes on")

    # ---- sizes ----

    def test_main_window_minimum_size_keeps_the_search_box_usable(self):
        self.wait_active("sq")
        x, y, w, h = self.sq()["geometry"]
        # Drag the lower-right corner far up and left.
        self.x.drag((x + w - 3, y + h - 3), (x + 40, y + 40))
        small = self.settled_geometry("sq")
        self.step("smallest")
        box = self.hook.get("sq/Combo2")["geometry"]
        self.assertGreaterEqual(box[2], 120, "the search box keeps room for a name: %r" % (box,))
        self.assertLessEqual(box[0] + box[2], small[0] + small[2], "the search box stays inside the window")
        self.assertGreaterEqual(small[2], 300)


if __name__ == "__main__":
    unittest.main()
