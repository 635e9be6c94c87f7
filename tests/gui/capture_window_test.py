"""The capture window as a user meets it: the real host on an X server with a window manager, the
real application server, and nothing but real clicks and key presses.

    capture_window_test.py --bin BUILD/bin [--screenshots DIR]

--screenshots keeps the pictures the README shows (the window ready to import, and during a run)."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

from desktop import Desktop, wait_until
from processes import AppServer, Host

MAIN_WINDOW = "Vdr - Tradutor"
CAPTURE_WINDOW = "Leitura dos Arquivos Pocket (ebf´s)"
DIRECTORY_DIALOG = "Selecione o Diretório"
CONFIRMATION = "Confirmação"
ERROR = "Erro"
CATALOG = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "translations",
                       "vdr04000_pt_BR.ts")

# Where a user clicks, in the capture window's client area (555 x 294): the centres of the controls,
# and the insides of the two lists.
LANGUAGE_BOX = (210, 13)
DIRECTORY_FIELD = (80, 64)
DIRECTORY_BUTTON = (170, 65)
MOVE_ALL_RIGHT = (200, 127)
MOVE_ALL_LEFT = (200, 169)
IMPORT_BUTTON = (527, 12)
CLOSE_BUTTON = (527, 35)
AVAILABLE_LIST = (5, 82, 178, 164)
SELECTED_LIST = (215, 52, 280, 194)

# The message of an error dialog, left of its button and right of its icon.
ERROR_TEXT = (100, 30)

# Enough captions that the run lasts a few seconds on a fast machine: time to touch the window.
FORMS = 40
CAPTIONS_PER_FORM = 250

options = None


def write_forms(directory):
    """Form files as eMbedded Visual Basic saves them, and a *.Dfm file the run must never read."""
    for f in range(FORMS):
        name = f"frmTela{f + 1:02d}"
        lines = ["VERSION 5.00", f"Begin VB.Form {name}", f'   Caption = "{name}"']
        for k in range(CAPTIONS_PER_FORM):
            lines += [f"   Begin VBCE.Label lblCampo{k + 1}",
                      f'      Caption = "Campo {k + 1} da tela {f + 1}"', "   End"]
        lines += ["End", f'Attribute VB_Name = "{name}"']
        with open(os.path.join(directory, f"{name}.ebf"), "w", encoding="cp1252", newline="") as out:
            out.write("\r\n".join(lines) + "\r\n")
    with open(os.path.join(directory, "frmAntigo.Dfm"), "w", encoding="cp1252", newline="") as out:
        out.write('VERSION 5.00\r\nBegin VB.Form frmAntigo\r\n   Begin VB.Label lblAntigo\r\n'
                  '      Caption = "Formulário antigo"\r\n   End\r\nEnd\r\n')


class CaptureWindow(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="vdr-gui-")
        cls.forms = os.path.join(cls.scratch, "forms")
        os.mkdir(cls.forms)
        write_forms(cls.forms)
        cls.desktop = Desktop()
        cls.server = AppServer(os.path.join(options.bin, "appserver"), cls.scratch)
        home = os.path.join(cls.scratch, "home")
        os.mkdir(home, 0o700)  # also its runtime directory, which must be private
        cls.host = Host(os.path.join(options.bin, "vdrhost"), cls.desktop, cls.server.address, home,
                        os.path.join(cls.scratch, "vdrhost.log"))

    @classmethod
    def tearDownClass(cls):
        cls.host.kill()
        cls.server.stop()
        cls.desktop.close()
        with open(os.path.join(cls.scratch, "vdrhost.log"), encoding="utf-8", errors="replace") as log:
            said = log.read()
        if said:
            print(f"vdrhost said:\n{said}", file=sys.stderr)
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def list_shows_files(self, window, area):
        return self.desktop.colours_in(window, *area) > 1

    def keep_screenshot(self, window, name):
        if options.screenshots:
            self.desktop.screenshot(os.path.join(options.screenshots, name), window)

    def test_a_user_captures_a_directory_through_the_window(self):
        desktop = self.desktop
        main = desktop.window(MAIN_WINDOW)
        arrow = self.cursor_over(main, 300, 200)

        # The module opens from the menu.
        desktop.click(main, 400, 150)  # the main window has the focus before its menu is used
        desktop.keys("alt+m", "Return")
        window = desktop.window(CAPTURE_WINDOW)
        self.assertEqual(self.cursor_over(window, *AVAILABLE_LIST[:2]), arrow,
                         "once the window is shown, the pointer over it is the arrow")

        # A directory typed in the field, then the directory dialog opened and cancelled: the field's
        # directory is not listed (the focus went to the dialog, not to another control).
        desktop.click(window, *DIRECTORY_FIELD)
        desktop.type(self.forms)
        desktop.click(window, *DIRECTORY_BUTTON)
        dialog = desktop.window(DIRECTORY_DIALOG)
        desktop.keys("Escape")
        desktop.window_gone(dialog)
        self.assertFalse(self.list_shows_files(window, AVAILABLE_LIST))

        # The directory picked in the dialog lists its form files; all of them move right.
        desktop.click(window, *DIRECTORY_BUTTON)
        dialog = desktop.window(DIRECTORY_DIALOG)
        desktop.type(self.forms)
        desktop.keys("Return")
        desktop.window_gone(dialog)
        wait_until(lambda: self.list_shows_files(window, AVAILABLE_LIST), "the directory's files")
        desktop.click(window, *MOVE_ALL_RIGHT)
        wait_until(lambda: self.list_shows_files(window, SELECTED_LIST), "the files to move right")
        self.assertFalse(self.list_shows_files(window, AVAILABLE_LIST))

        # The second language the server offers, picked from the box with the keyboard.
        languages = subprocess.run([os.path.join(options.bin, "appserver"), "languages", "--database",
                                    self.server.database], check=True, capture_output=True,
                                   text=True).stdout.splitlines()
        language = languages[1].split("\t")[0]
        desktop.click(window, *LANGUAGE_BOX)
        desktop.keys("Down", "Down", "Tab")
        self.keep_screenshot(window, "capture-window.png")

        # Import, and yes to the confirmation.
        desktop.click(window, *IMPORT_BUTTON)
        confirmation = desktop.window(CONFIRMATION)
        desktop.keys("Return")
        desktop.window_gone(confirmation)

        # During the run the pointer is busy, and neither the arrows nor the language box take a
        # click or a key. (The busy window may stand over the arrows; the box is never under it.)
        wait_until(lambda: len(self.server.rows()) >= FORMS * CAPTIONS_PER_FORM // 5,
                   "the run to store a fifth of its rows")
        self.keep_screenshot(window, "capture-window-running.png")
        self.assertNotEqual(self.cursor_over(window, *AVAILABLE_LIST[:2]), arrow,
                            "the pointer shows the run is busy")
        # Restored from the task bar, the window still shows the busy pointer; Escape neither stops
        # the run nor closes the window.
        desktop.minimize(window)
        desktop.restore(window)
        self.assertNotEqual(self.cursor_over(window, *AVAILABLE_LIST[:2]), arrow,
                            "the pointer shows the run is busy after a restore")
        desktop.keys("Escape")
        desktop.click(window, *MOVE_ALL_LEFT)
        desktop.click(window, *LANGUAGE_BOX)
        desktop.keys("Down")
        stored_at_touch = len(self.server.rows())

        success = desktop.window(CONFIRMATION, other_than=(confirmation,), timeout=300)
        desktop.keys("Return")
        desktop.window_gone(success)

        rows = self.server.rows()
        self.assertLess(stored_at_touch, len(rows), "the clicks came while the run was storing rows")
        self.assertEqual(len(rows), FORMS * CAPTIONS_PER_FORM)
        self.assertEqual({row["IDIDIOMA"] for row in rows}, {language})
        self.assertEqual({row["CDPROGRAMA"] for row in rows},
                         {f"FRMTELA{f + 1:02d}" for f in range(FORMS)})
        self.assertEqual(len({(row["CDPROGRAMA"], row["NMCOMPONENTE"]) for row in rows}), len(rows),
                         "no file was scanned twice")
        self.assertTrue(self.list_shows_files(window, SELECTED_LIST), "the selection held still")

        # After the run the arrows work again, and the window closes with its close button.
        desktop.click(window, *MOVE_ALL_LEFT)
        wait_until(lambda: not self.list_shows_files(window, SELECTED_LIST), "the files to move left")
        desktop.click(window, *CLOSE_BUTTON)
        desktop.window_gone(window)
        desktop.click(main, 400, 150)
        desktop.keys("alt+s")
        self.assertEqual(self.host.exit_code(), 0)

    def cursor_over(self, window, x, y):
        self.desktop.point_at(window, x, y)
        return self.desktop.cursor()


class AStoppedServer(unittest.TestCase):
    """The windows speak Portuguese whatever the user's locale: a user of an English locale opens
    the capture against a server that has stopped, and reads why in Portuguese."""

    def test_the_error_dialog_speaks_portuguese_to_an_english_locale(self):
        scratch = tempfile.mkdtemp(prefix="vdr-gui-")
        self.addCleanup(shutil.rmtree, scratch, ignore_errors=True)
        desktop = Desktop()
        self.addCleanup(desktop.close)
        server = AppServer(os.path.join(options.bin, "appserver"), scratch)
        server.stop()  # its port now refuses connections
        home = os.path.join(scratch, "home")
        os.mkdir(home, 0o700)
        host = Host(os.path.join(options.bin, "vdrhost"), desktop, server.address, home,
                    os.path.join(scratch, "vdrhost.log"), locale="en_US.UTF-8")
        self.addCleanup(host.kill)

        main = desktop.window(MAIN_WINDOW)
        desktop.click(main, 400, 150)
        desktop.keys("alt+m", "Return")
        error = desktop.window(ERROR)
        desktop.click(error, *ERROR_TEXT, times=3)
        # The refusal's reason is Qt's own text, from Qt's Portuguese catalog.
        expected = (translation("Cannot connect to the application server at %1: %2")
                    .replace("%1", server.address).replace("%2", "Conexão recusada"))
        self.assertEqual(desktop.selected_text(), expected)


def translation(source):
    """The Portuguese text the project's catalog gives source."""
    for message in ElementTree.parse(CATALOG).getroot().iterfind("context/message"):
        if message.findtext("source") == source:
            return message.findtext("translation")
    raise LookupError(f"the catalog has no text {source!r}")


def main():
    global options
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--bin", required=True, help="the directory holding vdrhost and appserver")
    parser.add_argument("--screenshots", help="where to keep the README's pictures")
    options, rest = parser.parse_known_args()
    if options.screenshots:
        os.makedirs(options.screenshots, exist_ok=True)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == "__main__":
    main()
