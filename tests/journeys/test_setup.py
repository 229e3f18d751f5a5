"""The setup program with a folder of packages and a catalogue server of the school's own: the
balance installed from the folder, updated from the catalogue, removed; the balance that came
with the toolkit removed the way it came, the random generator refused; and with a server that
accepts and never answers, the window at once and usable while it waits."""
import functools
import http.server
import os
import shutil
import socket
import subprocess
import threading
import time

import pytest

from journey import BUILD, wait_for

DRIVERS = ("Vodex_Randomizer",)
MAIN = "frm_DeviceInstaller"


class CatalogueServer:
    """The school's update server on 127.0.0.1: the catalogue and the newer balance."""

    def __init__(self, folder):
        web = os.path.join(folder, "web")
        os.makedirs(os.path.join(web, "files", "devices"))
        shutil.copy(os.path.join(BUILD, "next-packages", "vodex_balance.msi"), web)
        handler = functools.partial(QuietHandler, directory=web)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.address = f"http://127.0.0.1:{self.server.server_port}"
        with open(os.path.join(web, "files", "devices", "list.php5"), "w") as f:
            f.write("[BEGIN]\nID=VODEX_BALANCE\nNAME=Laborwaage\nTEXT=Vodex\nMAJOR=1\nMINOR=0\n"
                    f"REVISION=1\nDOWNLOADURL={self.address}/vodex_balance.msi\n[END]\n")
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def close(self):
        self.server.shutdown()


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def row(program, name):
    items = program.control(MAIN, "lst_Devices")["items"]
    return next((r.split("\t") for r in items if r.startswith(name + "\t")), None)


def act(program, desktop, name, button, shot):
    """Ticks the row of `name`, clicks `button` and gives the result said on the screen."""
    program.tick_item(MAIN, "lst_Devices", name)
    program.click(MAIN, button)
    program.message(timeout=30)
    desktop.shot(shot)
    return program.answer_message()


def say(desktop, de, en):
    return de if desktop.language == "DE" else en


@pytest.mark.parametrize("desktop", ["DE", "EN"], indirect=True)
def test_install_update_remove(desktop):
    disc = os.path.join(desktop.folder, "disc")
    os.makedirs(disc)
    for ext in (".msi", ".devinfo", ".tlx-udt", ".bmp"):
        shutil.copy(os.path.join(BUILD, "packages", "vodex_balance" + ext), disc)
    server = CatalogueServer(desktop.folder)
    desktop.update_server(server.address)
    try:
        setup = desktop.start("vodex-setup", "--folder", disc)
        setup.window(MAIN)
        wait_for(lambda: setup.text(MAIN, "lab_Internet") == "", 15, "the catalogue")
        balance = row(setup, "Laborwaage")
        assert balance[3:] == ["---/---", "1.0.0", "1.0.1"], balance
        assert setup.control(MAIN, "lst_Devices")["headersFit"]  # no header runs into the next
        desktop.shot("sources")

        said = act(setup, desktop, "Laborwaage", "but_Install[2]", "from-the-folder")
        assert said == say(desktop, "Der Wandler Laborwaage ist installiert (Version 1.0.0).",
                           "The driver Laborwaage is installed (version 1.0.0).")
        assert row(setup, "Laborwaage")[3] == "1.0.0"
        said = act(setup, desktop, "Laborwaage", "but_Install[1]", "from-the-internet")
        assert said == say(desktop, "Der Wandler Laborwaage ist installiert (Version 1.0.1).",
                           "The driver Laborwaage is installed (version 1.0.1).")
        assert row(setup, "Laborwaage")[3] == "1.0.1"
        said = act(setup, desktop, "Laborwaage", "but_Remove", "removed")
        assert said == say(desktop, "Der Wandler Laborwaage ist entfernt.",
                           "The driver Laborwaage is removed.")
        assert row(setup, "Laborwaage")[3] == "---/---"
        setup.click(MAIN, "text=OK")
        assert setup.ended() == 0

        # The balance as the toolkit brings it, and the random generator, which must stay.
        desktop.install("Vodex_Balance")
        setup = desktop.start("vodex-setup", "--folder", disc)
        setup.window(MAIN)
        wait_for(lambda: setup.text(MAIN, "lab_Internet") == "", 15, "the catalogue")
        setup.tick_item(MAIN, "lst_Devices", "Zufallsgenerator")
        said = act(setup, desktop, "Laborwaage", "but_Remove", "toolkit-balance")
        assert said.startswith("Der Zufallsgenerator kann nicht entfernt werden"), said
        assert setup.answer_message() == say(desktop, "Der Wandler Laborwaage ist entfernt.",
                                              "The driver Laborwaage is removed.")
        assert "Vodex_Balance" not in desktop.vodex("drivers").stdout
    finally:
        server.close()


@pytest.mark.parametrize("desktop", ["DE", "EN"], indirect=True)
def test_silent_server(desktop):
    silent = socket.socket()
    silent.bind(("127.0.0.1", 0))
    silent.listen(8)  # connections are taken, never answered
    desktop.update_server(f"http://127.0.0.1:{silent.getsockname()[1]}")
    try:
        title = say(desktop, "VQ ZarivuZarud: Wandlertreiber hinzufügen, aktualisieren, entfernen",
                    "VQ ZarivuZarud: add, update and remove drivers")
        start = time.monotonic()
        setup = desktop.start("vodex-setup")
        subprocess.run(["xdotool", "search", "--sync", "--name", title], env=desktop.env,
                       timeout=2, check=True, capture_output=True)
        assert time.monotonic() - start < 2
        setup.window(MAIN)
        assert setup.text(MAIN, "lab_Internet") == say(
            desktop, "Suche im Internet nach Wandlertreibern ...",
            "Searching the internet for drivers ...")
        # Usable while it waits: the installed drivers are listed and the search filters them.
        assert row(setup, "Zufallsgenerator")
        setup.click(MAIN, "txt_Search")
        desktop.key("ctrl+a")
        desktop.type("waage")
        wait_for(lambda: setup.control(MAIN, "lst_Devices")["items"] == [], 5, "the search")
        desktop.shot("waiting")
        setup.click(MAIN, "text=" + say(desktop, "Abbrechen", "Cancel"))
        assert setup.ended(timeout=5) == 0
    finally:
        silent.close()
    # A server that refuses: the notice, once, with the reason in the interface language.
    desktop.update_server("http://127.0.0.1:1")
    setup = desktop.start("vodex-setup")
    said = setup.answer_message(timeout=30)
    assert said.startswith("Keine Internetverbindung! ('http://127.0.0.1:1/files/devices/list.php5' "
                           + say(desktop, "konnte nicht heruntergeladen werden (",
                                 "cannot be downloaded (")), said
    assert setup.text(MAIN, "lab_Internet") == "Keine Internetverbindung!"
