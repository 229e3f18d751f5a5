"""The device manager as a teacher meets it: the balance is plugged in after the manager has
started, the connection test finds it, and its device test measures it."""
import pytest

from journey import wait_for


def german(desktop, de, en):
    return de if desktop.language == "DE" else en


@pytest.mark.parametrize("desktop", ["DE", "EN"], indirect=True)
def test_detects_a_late_balance(desktop):
    manager = desktop.start("vodex-manager")
    main = manager.window("frm_Main")
    assert main["title"] == german(desktop, "VQ Geräteverwaltung", "Vodex device manager")
    assert manager.text("frm_Main", "lab_Active") == "2"
    desktop.shot("started")

    manager.click("frm_Main", "but_Command[2]")  # the connection test, nothing plugged in
    assert manager.answer_message(timeout=30) == german(desktop, "Es wurden 0 Geräte gefunden!",
                                                        "0 devices were found!")

    desktop.balance(5)  # plugged in while the manager runs
    manager.click("frm_Main", "but_Command[2]")
    # The detection window shows the search, and closes itself when it is over.
    wait_for(lambda: any(w["name"] == "frm_DialogAutoSense" or w["class"] == "QMessageBox"
                         for w in manager.windows()), 10, "the detection")
    desktop.shot("searching")
    manager.message(timeout=30)
    desktop.shot("found")
    assert manager.answer_message() == german(desktop, "Es wurden 1 Geräte gefunden!",
                                              "1 devices were found!")

    manager.click("frm_Main", "but_Command[1]")  # the installed drivers
    manager.window("frm_DeviceList")
    manager.click_item("frm_DeviceList", "lst_Devices", "Waage")
    # Its description names the ports as they are: port 5 is there.
    manager.click("frm_DeviceList", "but_DeviceInfo")
    manager.window("frm_DeviceInfo")
    ports = manager.control("frm_DeviceInfo", "lst_Ports")["items"]
    assert ports[4].startswith("COM 5\t") and ports[3].startswith("--- 4\t"), ports
    desktop.shot("description")
    manager.click("frm_DeviceInfo", "text=OK")
    manager.gone("frm_DeviceInfo")
    manager.click("frm_DeviceList", "but_DeviceTest")
    manager.window("frm_DeviceTest")
    ports = manager.control("frm_DeviceTest", "lst_Port")["items"]
    assert "5: COM 5" in ports, ports
    manager.choose("frm_DeviceTest", "lst_Port", "5: COM 5")
    manager.tick_item("frm_DeviceTest", "lst_Channels", "Masse")
    wait_for(lambda: "120.5" in manager.control("frm_DeviceTest", "lst_Channels")["items"][0],
             10, "the balance's weight in the device test")
    desktop.shot("measuring")
