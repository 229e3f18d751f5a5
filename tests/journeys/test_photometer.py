"""A photometer in the measuring program, as a chemistry teacher records an absorption
spectrum: connect, the scan row filled with visible light, the spectrum drawn as it comes over
wavelengths in nm, saved as CSV; a longer scan stopped halfway keeps its points and says so."""
import csv
import os
import subprocess

import pytest

from journey import BIN, wait_for
from test_measure_window import MAIN, choose, save, status

DRIVERS = ("Vodex_Randomizer", "Vodex_Photometer")


@pytest.mark.parametrize("desktop", ["DE", "EN"], indirect=True)
def test_spectrum_in_the_measuring_window(desktop):
    de = desktop.language == "DE"
    link = os.path.join(desktop.folder, "photometer")
    photometer = subprocess.Popen([os.path.join(BIN, "vodex-sim"), "photometer", "--link", link,
                                   "--band", "510:0.8:30", "--pace", "0.008"],
                                  stdout=subprocess.PIPE, text=True)
    try:
        photometer.stdout.readline()  # it says where it listens once it does
        desktop.vodex("ports", "set", "6", link)
        program = desktop.start("vodex_measure_window")
        program.window(MAIN)
        choose(program, "Scan-Photometer", "COM 6")
        wait_for(lambda: program.control(MAIN, "fra_Scan")["visible"], 10, "the scan row")
        assert [program.text(MAIN, f) for f in ("txt_From", "txt_To", "txt_Step")] == \
            ["400", "700", "1"]
        record = "Spektrum aufnehmen" if de else "Record spectrum"
        stop = "Scan abbrechen" if de else "Stop scan"
        program.click(MAIN, "cmd_Scan")
        wait_for(lambda: program.text(MAIN, "cmd_Scan") == stop, 5, "the scan to start")
        desktop.shot("scanning")
        wait_for(lambda: program.text(MAIN, "cmd_Scan") == record, 15, "the scan to end")
        assert program.text(MAIN, "pic_Chart") == ("Spektrum" if de else "Spectrum")
        assert status(program) == ("Bereit" if de else "Ready"), status(program)
        desktop.shot("spectrum")
        path = save(program, desktop, "cmd_SaveCsv", "Spektrum speichern" if de
                    else "Save spectrum", os.path.join(desktop.folder, "spektrum.csv"))
        with open(path, newline="") as f:
            rows = [(float(x), float(y)) for x, y in list(csv.reader(f))[1:]]
        assert [x for x, _ in rows] == list(range(400, 701))
        assert 505 <= max(rows, key=lambda r: r[1])[0] <= 515

        # The whole range, stopped halfway: the points so far stay, and the status says so.
        for field, text in (("txt_From", "340"), ("txt_To", "1000")):
            program.click(MAIN, field)
            desktop.key("ctrl+a")
            desktop.type(text)
        program.click(MAIN, "cmd_Scan")
        wait_for(lambda: program.text(MAIN, "cmd_Scan") == stop, 5, "the long scan to start")
        program.click(MAIN, "cmd_Scan")
        wait_for(lambda: program.text(MAIN, "cmd_Scan") == record, 5, "the scan to stop")
        said = status(program)
        assert ("abgebrochen" if de else "stopped") in said and "661" in said, said
        desktop.shot("stopped")
    finally:
        photometer.terminate()
        photometer.wait()
