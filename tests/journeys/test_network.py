"""A balance on a bench computer, served by ser2net across the network: the manager's
connection test finds it on its port number, its device test measures it, shows the error
while the server is gone and, told to reconnect, measures again once it is back."""
import pytest

from journey import wait_for

TEST = "frm_DeviceTest"


def weight_shown(manager):
    row = manager.control(TEST, "lst_Channels")["items"][0].split("\t")
    return row[4].startswith("120.5") and manager.text(TEST, "lab_Status") in ("Bereit", "Ready")


@pytest.mark.parametrize("desktop", ["DE", "EN"], indirect=True)
def test_measure_across_the_network(desktop):
    server = desktop.served_balance(9)
    listed = desktop.vodex("ports").stdout
    assert f"COM 9   127.0.0.1:{server.port} (RFC 2217)" in listed, listed
    german = desktop.language == "DE"
    manager = desktop.start("vodex-manager")
    manager.window("frm_Main")
    manager.click("frm_Main", "but_Command[2]")  # the connection test
    manager.message(timeout=30)
    desktop.shot("found")
    assert manager.answer_message() == ("Es wurden 1 Geräte gefunden!" if german
                                        else "1 devices were found!")

    manager.click("frm_Main", "but_Command[1]")
    manager.window("frm_DeviceList")
    manager.click_item("frm_DeviceList", "lst_Devices", "Laborwaage", double=False)
    manager.click("frm_DeviceList", "but_DeviceTest")
    manager.window(TEST)
    manager.choose(TEST, "lst_Port", "9: COM 9")
    manager.tick_item(TEST, "lst_Channels", "Masse")
    wait_for(lambda: weight_shown(manager), 10, "the weight across the network")
    desktop.shot("measuring")

    server.kill()  # the bench computer's server stops
    wait_for(lambda: manager.text(TEST, "lab_Status") in ("Fehler!", "Error!"), 10, "the error")
    reason = manager.text(TEST, "lab_Debug")
    assert ("Schnittstellen-Server" if german else "serial port server") in reason, reason
    desktop.shot("server-gone")

    # Told to connect again, the device test does so once the server is back.
    manager.click(TEST, "opt_Retry")
    server.start()
    wait_for(lambda: weight_shown(manager), 15, "measuring again")
    desktop.shot("server-back")
