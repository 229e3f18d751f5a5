"""A handheld multimeter in the device test, as a teacher meets it: plugged in, found on its
port, its display measured, and the channel's name and unit following the meter's rotary
switch while the window measures."""
import os
import subprocess

import pytest

from journey import BIN, wait_for

DRIVERS = ("Vodex_Randomizer", "Vodex_HandheldDmm")
TEST = "frm_DeviceTest"


@pytest.mark.parametrize("desktop", ["EN"], indirect=True)
def test_handheld_meter_in_the_device_test(desktop):
    link = os.path.join(desktop.folder, "hand")
    meter = subprocess.Popen([os.path.join(BIN, "vodex-sim"), "multimeter", "--protocol", "dmm14",
                              "--link", link, "--value", "VDC=-3.071", "--value", "VAC=229.8",
                              "--switch-every", "8"], stdout=subprocess.PIPE, text=True)
    try:
        meter.stdout.readline()  # it says where it listens once it does
        desktop.vodex("ports", "set", "6", link)
        manager = desktop.start("vodex-manager")
        manager.window("frm_Main")
        manager.click("frm_Main", "but_Command[1]")
        manager.window("frm_DeviceList")
        manager.click_item("frm_DeviceList", "lst_Devices", "Hand-Multimeter", double=False)
        manager.click("frm_DeviceList", "but_DeviceTest")
        manager.window(TEST)
        manager.choose(TEST, "lst_Port", "6: COM 6")

        def row():
            return manager.control(TEST, "lst_Channels")["items"][0].split("\t")
        # Connected, the list shows what the meter's switch is on; then it is ticked.
        wait_for(lambda: row()[1] == "Gleichspannung", 10, "the channel of the meter's switch")
        manager.tick_item(TEST, "lst_Channels", "Gleichspannung")
        wait_for(lambda: row()[4].startswith("-3.071") and row()[5] != "", 10,
                 "the DC volts measured in the device test")
        assert row()[2] == "V", row()
        desktop.shot("volts-dc")
        # The switch turns to AC volts: the channel follows, with its unit.
        wait_for(lambda: row()[1] == "Wechselspannung" and row()[4].startswith("229.8"), 15,
                 "the channel to follow the switch")
        desktop.shot("volts-ac")
    finally:
        meter.terminate()
        meter.wait()
