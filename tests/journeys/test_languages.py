"""The interface language: chosen with `vodex language EN`, the manager, the list of drivers and
the setup program speak English; chosen German in the manager's options, it counts from the
next start, and `vodex language` shows and changes it back."""
import pytest

MAIN = "frm_Main"


def texts(program, window, *controls):
    return [program.text(window, c) for c in controls]


@pytest.mark.parametrize("desktop", ["EN"], indirect=True)
def test_language_choice(desktop):
    assert desktop.vodex("language").stdout == "EN\n"
    manager = desktop.start("vodex-manager")
    assert manager.window(MAIN)["title"] == "Vodex device manager"
    assert texts(manager, MAIN, "lab_CountText", "but_Command[2]", "lab_Language") == [
        "Installed drivers:", "Connection test", "Language:"]
    desktop.shot("manager")
    manager.click(MAIN, "but_Command[1]")
    listed = manager.window("frm_DeviceList")
    assert listed["title"] == "Device list"
    assert manager.text("frm_DeviceList", "txt_Search") == "<search term>"
    rows = manager.control("frm_DeviceList", "lst_Devices")["items"]
    assert all(r.split("\t")[1] == "Active" for r in rows), rows
    desktop.shot("device-list")
    manager.click("frm_DeviceList", "text=Cancel")
    manager.gone("frm_DeviceList")

    setup = desktop.start("vodex-setup")
    setup.window("frm_DeviceInstaller")
    # The maker's server is not reachable from here: the notice, once.
    assert setup.answer_message(timeout=30).startswith("Keine Internetverbindung! (")
    headers = setup.control("frm_DeviceInstaller", "lst_Devices")["headers"]
    assert headers == ["Name", "Status", "Manufacturer", "Installed", "On disc",
                       "On the internet"], headers
    assert setup.text("frm_DeviceInstaller", "lst_Filter") == "Show all"
    desktop.shot("setup")
    setup.click("frm_DeviceInstaller", "text=Cancel")
    assert setup.ended() == 0

    # German, chosen in the manager's options: for the next start.
    manager.choose(MAIN, "lst_Language", "Deutsch")
    assert manager.answer_message() == (
        "The language takes effect when the programs are started next.")
    assert manager.window(MAIN)["title"] == "Vodex device manager"
    assert desktop.vodex("language").stdout == "DE\n"
    manager.click(MAIN, "text=Quit")
    assert manager.ended() == 0
    manager = desktop.start("vodex-manager")
    assert manager.window(MAIN)["title"] == "VQ Geräteverwaltung"
    assert manager.text(MAIN, "lst_Language") == "Deutsch"
    manager.click(MAIN, "but_Command[3]")  # the driver check, with Qt's own OK in German
    assert manager.answer_message() == "Überprüfung abgeschlossen."
    desktop.shot("german-again")
    manager.click(MAIN, "text=Beenden")
    assert manager.ended() == 0

    desktop.vodex("language", "auto")
    assert desktop.vodex("language").stdout == "auto\n"
    desktop.vodex("language", "EN")
    assert desktop.vodex("language").stdout == "EN\n"
