"""The sample measuring program: choose the balance and its port, connect, values and curve;
the cable pulled shows the error and a gap, plugged in again the values come back; the serial
settings, the port remembered, another channel's curve, and the readings saved as CSV."""
import csv
import os

import pytest

from journey import wait_for

MAIN = "frm_Measure"


def status(program):
    return program.text(MAIN, "lab_Status")


def value(program, row=0):
    return program.control(MAIN, "lst_Channels")["items"][row].split("\t")[1]


def choose(program, device, port):
    program.click(MAIN, "cmd_Choose")
    program.window("frm_DeviceSelect")
    icons = program.control("frm_DeviceSelect", "lst_Devices")["icons"]
    assert icons and all(icons), icons  # each driver with its icon
    program.click_item("frm_DeviceSelect", "lst_Devices", device)
    program.click("frm_DeviceSelect", "text=OK")
    program.window("frm_DeviceSettings")
    if port:
        program.choose("frm_DeviceSettings", "lst_Port", port)
    settings = program.control("frm_DeviceSettings", "lst_Port")["text"]
    program.click("frm_DeviceSettings", "text=OK")
    return settings


def save(program, desktop, button, title, path):
    """Saves through the button's file dialog, typing the path as a user would."""
    program.click(MAIN, button)
    program.window(title, timeout=10)
    desktop.key("ctrl+a")
    desktop.type(path)
    desktop.key("Return")
    program.gone(title)
    return path


@pytest.mark.parametrize("desktop", ["DE"], indirect=True)
def test_measure_pull_and_resume(desktop):
    balance = desktop.balance(5)
    program = desktop.start("vodex_measure_window")
    program.window(MAIN)
    choose(program, "Laborwaage", "COM 5")
    wait_for(lambda: value(program) == "120.5 g", 10, "the weight")
    assert status(program) == "Bereit"
    desktop.shot("measuring")

    balance.pull()
    wait_for(lambda: status(program).startswith("Fehler!"), 10, "the error in the status bar")
    assert value(program) != "120.5 g"
    desktop.shot("pulled")
    desktop.balance(5)  # plugged in again, at the same place
    wait_for(lambda: value(program) == "120.5 g" and status(program) == "Bereit", 15,
             "the weight again")
    desktop.shot("resumed")

    # The readings as CSV: the weight, then the outage without a value, then the weight.
    folder = os.path.join(desktop.folder, "daten")
    os.makedirs(folder)
    with open(save(program, desktop, "cmd_SaveCsv", "Messwerte speichern",
                   os.path.join(folder, "waage.csv")), newline="") as f:
        rows = list(csv.reader(f))
    assert rows[0] == ["Zeit (s)", "Wert", "Einheit", "Status"]
    values = [r[1] for r in rows[1:]]
    outage = values.index("")
    assert values[0] == "120.5" and "120.5" in values[outage:]
    assert rows[outage + 1][3].startswith("Fehler!")
    # The chart as a picture.
    with open(save(program, desktop, "cmd_SavePicture", "Bild speichern",
                   os.path.join(folder, "waage.png")), "rb") as f:
        assert f.read(8) == b"\x89PNG\r\n\x1a\n"

    # Disconnected, the serial settings are the balance's own.
    program.click(MAIN, "cmd_Connect")
    wait_for(lambda: status(program) == "Nicht verbunden", 5, "disconnected")
    program.click(MAIN, "cmd_Settings")
    program.window("frm_DialogCommunication")
    assert program.control("frm_DialogCommunication", "lst_Baud")["text"] == "9600"
    desktop.shot("settings")
    program.click("frm_DialogCommunication", "text=Abbrechen")

    # The choice offers the port chosen before; the random generator's third channel.
    assert choose(program, "Laborwaage", None) == "COM 5"
    wait_for(lambda: value(program) == "120.5 g", 10, "the weight once more")
    choose(program, "Zufallsgenerator", None)
    wait_for(lambda: len(program.control(MAIN, "lst_Channels")["items"]) == 7, 10,
             "the random generator's channels")
    program.click_item(MAIN, "lst_Channels", "LF 0 - 5 mS")
    wait_for(lambda: "LF 0 - 5 mS" in program.text(MAIN, "pic_Chart"), 5, "the third curve")
    desktop.shot("another-channel")
