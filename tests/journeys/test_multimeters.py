"""Multimeters as a teacher meets them: a handheld meter in the device test, its display
measured and the channel's name and unit following the meter's rotary switch; a bench meter
that speaks SCPI in the measuring program, every function with its unit; the handheld meter
in the measuring program while its switch turns, its curve and its saved readings in the unit
each reading was taken in."""
import csv
import os
import subprocess

import pytest

from journey import BIN, wait_for
from test_measure_window import MAIN, choose, save, value

DRIVERS = ("Vodex_Randomizer", "Vodex_Scpi", "Vodex_HandheldDmm")
TEST = "frm_DeviceTest"


@pytest.mark.parametrize("desktop", ["DE", "EN"], indirect=True)
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


@pytest.mark.parametrize("desktop", ["DE", "EN"], indirect=True)
def test_bench_meter_in_the_measuring_window(desktop):
    link = os.path.join(desktop.folder, "bench")
    meter = subprocess.Popen([os.path.join(BIN, "vodex-sim"), "multimeter", "--link", link,
                              "--value", "VDC=1.2345", "--value", "OHM=1500",
                              "--value", "TEMP=21.5"], stdout=subprocess.PIPE, text=True)
    try:
        meter.stdout.readline()  # it says where it listens once it does
        desktop.vodex("ports", "set", "6", link)
        program = desktop.start("vodex_measure_window")
        program.window(MAIN)
        choose(program, "SCPI-Multimeter", "COM 6")
        wait_for(lambda: value(program, 0) == "1.2345 V", 10, "the DC volts")
        assert value(program, 4) == "1500 Ω", value(program, 4)
        assert value(program, 6) == "21.5 °C", value(program, 6)
        desktop.shot("bench-meter")
    finally:
        meter.terminate()
        meter.wait()


@pytest.mark.parametrize("desktop", ["DE", "EN"], indirect=True)
def test_handheld_meter_turned_while_measuring(desktop):
    link = os.path.join(desktop.folder, "hand")
    meter = subprocess.Popen([os.path.join(BIN, "vodex-sim"), "multimeter", "--protocol", "dmm14",
                              "--link", link, "--value", "VDC=-3.071", "--value", "VAC=229.8",
                              "--value", "ADC=0.125", "--switch-every", "4"],
                             stdout=subprocess.PIPE, text=True)
    try:
        meter.stdout.readline()  # it says where it listens once it does
        desktop.vodex("ports", "set", "6", link)
        program = desktop.start("vodex_measure_window")
        program.window(MAIN)
        choose(program, "Hand-Multimeter", "COM 6")

        def row():
            items = program.control(MAIN, "lst_Channels")["items"]
            return items[0].split("\t") if items else ["", ""]
        wait_for(lambda: row() == ["Gleichspannung", "-3.071 V"], 10, "the DC volts")
        desktop.shot("handheld-dc")
        wait_for(lambda: row() == ["Wechselspannung", "229.8 V"], 10, "the switch turned to AC")
        wait_for(lambda: row()[0] == "Gleichstrom" and row()[1] != "", 10, "the switch on amperes")
        amperes = row()[1].split(" ")
        desktop.shot("handheld-amperes")  # the curve shows the amperes alone
        # The readings saved: each with the unit it was taken in.
        path = save(program, desktop, "cmd_SaveCsv", "Messwerte speichern"
                    if desktop.language == "DE" else "Save readings",
                    os.path.join(desktop.folder, "hand.csv"))
        with open(path, newline="") as f:
            rows = [r[1:3] for r in list(csv.reader(f))[1:] if r[1]]
        shown = [["-3.071", "V"], ["229.8", "V"], amperes]
        assert all(r in rows for r in shown) and all(r in shown for r in rows), (rows, shown)
    finally:
        meter.terminate()
        meter.wait()
