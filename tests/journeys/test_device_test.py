"""The device test of the balance, opened from the manager's list of drivers: it measures,
AutoPort and AutoSense find the balance on its port while it measures and measuring goes on,
and the balance's setup screen, its communication settings, opens on what the balance uses."""
import pytest

from journey import wait_for

TEST = "frm_DeviceTest"


def measuring(manager, value="120.5"):
    """Waits until the balance's row shows the weight and a fresh rate, the device ready."""
    def fresh():
        row = manager.control(TEST, "lst_Channels")["items"][0].split("\t")
        return row[4].startswith(value) and row[5] != ""
    wait_for(fresh, 10, "the weight in the device test")
    before = manager.control(TEST, "lst_Channels")["items"][0]
    wait_for(lambda: manager.control(TEST, "lst_Channels")["items"][0] != before, 10,
             "the rate to move on")
    return manager.control(TEST, "lst_Channels")["items"][0].split("\t")


@pytest.mark.parametrize("desktop", ["DE", "EN"], indirect=True)
def test_autoport_while_measuring(desktop):
    balance = desktop.balance(5)
    manager = desktop.start("vodex-manager")
    manager.window("frm_Main")
    manager.click("frm_Main", "but_Command[1]")
    manager.window("frm_DeviceList")
    manager.click_item("frm_DeviceList", "lst_Devices", "Laborwaage", double=False)
    manager.click("frm_DeviceList", "but_DeviceTest")
    manager.window(TEST)
    title = manager.text(TEST, "bar_Title").split("\n")
    assert len(title) == 2 and title[1], title  # the band explains what to do
    manager.choose(TEST, "lst_Port", "5: COM 5")
    manager.tick_item(TEST, "lst_Channels", "Masse")
    row = measuring(manager)
    assert row[3] == ("Bereit" if desktop.language == "DE" else "Ready"), row
    desktop.shot("measuring")

    for button, said in (("but_AutoPort", "AutoPort erfolgreich: Gerät ist an Port COM 5"),
                         ("but_AutoSense", "Autosense erfolgreich: Gerät ist an Port COM 5")):
        manager.click(TEST, button)
        manager.message(timeout=15)
        desktop.shot(button.removeprefix("but_"))
        assert manager.answer_message() == said
        assert manager.control(TEST, "lst_Port")["text"] == "5: COM 5"
        measuring(manager)
        assert manager.text(TEST, "lab_Status") in ("Bereit", "Ready")

    manager.click(TEST, "but_Setup")  # the balance's setup screen: its serial settings
    manager.window("frm_DialogCommunication")
    assert manager.control("frm_DialogCommunication", "lst_Baud")["text"] == "9600"
    desktop.shot("settings")
    manager.click("frm_DialogCommunication", "text=OK")
    manager.answer_message("Nein" if desktop.language == "DE" else "No")  # not as the default
    assert manager.answer_message() == "Rückgabe: True (Erfolgreich)"
    measuring(manager)
    desktop.shot("measuring-again")

    # The cable pulled: the device's error, and its reason in the interface language.
    balance.pull()
    wait_for(lambda: manager.text(TEST, "lab_Status") in ("Fehler!", "Error!"), 10, "the error")
    reason = manager.text(TEST, "lab_Debug")
    assert ("Schnittstelle" if desktop.language == "DE" else "serial port") in reason, reason
    desktop.shot("pulled")
