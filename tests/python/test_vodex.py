"""The module's client path: listing, describing, measuring the random generator and the
virtual balance, the data field, errors, and a driver's wait without the interpreter lock."""
import os
import subprocess
import threading
import time

import pytest

import vodex


def test_registry_lists_and_describes_the_drivers():
    registry = vodex.registry()
    assert set(registry.CONTENTALL()) == {"Vodex_Randomizer", "Vodex_Balance"}
    info = registry.INFO("VODEX_BALANCE")
    assert (info.NAME, info.MANUFACTURER) == ("Laborwaage", "Vodex")
    assert registry.BUILD == 400 + int(registry.VERSION.split(".")[2])


def test_the_random_generator_measures_every_channel():
    device = vodex.registry().CREATE("VODEX_RANDOMIZER")
    assert device.CONNECT(1) and device.STATUS == 2
    for channel in device.CHANNELS:
        channel.MEASURE = True
    device.EXECUTE()
    readings = {c.NAME: c.VALUE for c in device.CHANNELS if c.MEASURED}
    assert len(readings) == len(device.CHANNELS) == 7
    assert 0 <= readings["pH a 0 - 14"] <= 14
    x, y = device.DATA
    assert len(x) == len(y)
    device.DISCONNECT()
    assert device.STATUS == 0


def test_errors_carry_the_librarys_message():
    registry = vodex.registry()
    with pytest.raises(vodex.Error, match="'VODEX_NOTHING' is not installed"):
        registry.CREATE("VODEX_NOTHING")
    device = registry.CREATE("VODEX_RANDOMIZER")
    with pytest.raises(IndexError):
        device.CHANNEL(99)


def test_the_balance_on_the_virtual_instrument(balance_port):
    manager = vodex.manager()
    balance = manager.CREATE("VODEX_BALANCE", balance_port)
    assert balance.STATUS == 2, balance.STATUSTEXT
    balance.CHANNEL(1).MEASURE = True
    balance.EXECUTE()
    mass = balance.CHANNEL(1)
    assert mass.MEASURED and mass.VALUE == pytest.approx(42.5)
    mass.VALUE = 7  # a program may set a value itself; only numbers are values
    with pytest.raises(TypeError):
        mass.VALUE = "heavy"
    assert mass.VALUE == 7.0 and isinstance(mass.VALUE, float)
    assert manager.DEINIT("VODEX_BALANCE", balance_port)


def test_a_driver_waiting_for_its_port_lets_other_threads_run():
    # Nothing answers behind port 8 (a pseudo-terminal nobody reads): the balance waits for its
    # time-out, and a Python thread keeps counting meanwhile.
    controller, terminal = os.openpty()
    subprocess.run([os.path.join(os.environ["VODEX_BUILD"], "bin", "vodex"), "ports", "set", "8",
                    os.ttyname(terminal)], check=True)
    ticks = []
    done = threading.Event()

    def count():
        while not done.is_set():
            ticks.append(time.monotonic())
            time.sleep(0.01)

    counter = threading.Thread(target=count)
    counter.start()
    started = time.monotonic()
    device = vodex.registry().CREATE("VODEX_BALANCE")
    device.CONNECT(8)
    waited = time.monotonic() - started
    done.set()
    counter.join()
    os.close(controller)
    os.close(terminal)
    assert waited > 0.2
    assert len([t for t in ticks if t > started]) >= waited / 0.01 / 4


def test_objects_stay_with_their_thread_and_devices_are_released_when_dropped(balance_port):
    registry = vodex.registry()
    device = registry.CREATE("VODEX_BALANCE")
    assert device.CONNECT(balance_port), device.STATUSTEXT
    errors = []

    def use_elsewhere():
        for use in (lambda: device.EXECUTE(), lambda: registry.CONTENT(),
                    lambda: device.CHANNEL(1).VALUE):
            try:
                use()
            except vodex.Error as e:
                errors.append(str(e))

    other = threading.Thread(target=use_elsewhere)
    other.start()
    other.join()
    assert len(errors) == 3 and "thread that made it" in errors[0]
    # Dropping the device closes its port, so the next one connects to the instrument.
    del device
    again = registry.CREATE("VODEX_BALANCE")
    assert again.CONNECT(balance_port), again.STATUSTEXT


def test_a_session_measures_gives_the_device_back_and_stands_in(balance_port):
    with vodex.Session("VODEX_BALANCE", balance_port) as session:
        assert session.channels[0][0] == 1 and session.replaced == ""
        seconds, values = session.measure()
        assert values[1] == pytest.approx(42.5) and seconds >= 0
        assert vodex.manager().COUNT == 1
    assert vodex.manager().COUNT == 0
    with pytest.raises(vodex.Error, match="closed"):
        session.measure()
    standing_in = vodex.Session("VODEX_NOTHING", channels=[1, 2])
    assert "not installed" in standing_in.replaced
    assert standing_in.driver.upper() == "VODEX_RANDOMIZER"
    assert set(standing_in.measure()[1]) == {1, 2}
    standing_in.close()


@pytest.mark.parametrize("driver, protocol, channel, value", [
    ("Vodex_Scpi", "scpi", 1, -3.071),
    ("Vodex_HandheldDmm", "dmm14", 1, -3.071),
])
def test_the_multimeters_measure_through_a_session(driver, protocol, channel, value, tmp_path):
    build = os.environ["VODEX_BUILD"]
    vodex_program = os.path.join(build, "bin", "vodex")
    subprocess.run([vodex_program, "install", "--quiet",
                    os.path.join(build, "lib", driver + ".so")], check=True)
    link = str(tmp_path / "meter")
    sim = subprocess.Popen([os.path.join(build, "bin", "vodex-sim"), "multimeter", "--protocol",
                            protocol, "--link", link, "--value", "VDC=-3.071"],
                           stdout=subprocess.PIPE, text=True)
    try:
        sim.stdout.readline()  # it says where it listens once it does
        subprocess.run([vodex_program, "ports", "set", "8", link], check=True)
        with vodex.Session(driver, 8, [channel]) as session:
            assert session.replaced == "" and not session.in_error, session.trouble
            _, values = session.measure()
            assert values[channel] == pytest.approx(value)
            assert [unit for id_, _, unit in session.channels if id_ == channel] == ["V"]
    finally:
        sim.terminate()
        sim.wait()
        subprocess.run([vodex_program, "uninstall", "--quiet", driver], check=False)


def test_a_photometer_scans_a_spectrum_into_the_data_field(tmp_path):
    build = os.environ["VODEX_BUILD"]
    vodex_program = os.path.join(build, "bin", "vodex")
    subprocess.run([vodex_program, "install", "--quiet",
                    os.path.join(build, "lib", "Vodex_Photometer.so")], check=True)
    link = str(tmp_path / "photometer")
    sim = subprocess.Popen([os.path.join(build, "bin", "vodex-sim"), "photometer", "--link", link,
                            "--band", "510:0.8:30"], stdout=subprocess.PIPE, text=True)
    try:
        sim.stdout.readline()  # it says where it listens once it does
        subprocess.run([vodex_program, "ports", "set", "8", link], check=True)
        manager = vodex.manager()
        photometer = manager.CREATE("Vodex_Photometer", 8)
        assert photometer.STATUS == 2, photometer.STATUSTEXT
        assert photometer.ACTIVATE("SCAN", 1, [480, 540, 2])
        x, y = photometer.DATA
        assert x == [480 + 2 * i for i in range(31)]
        assert x[y.index(max(y))] == pytest.approx(510, abs=4)
        assert not photometer.ACTIVATE("SCAN", 1, [200, 300, 1])  # beyond its range
        assert manager.DEINIT("Vodex_Photometer", 8)
    finally:
        sim.terminate()
        sim.wait()
        subprocess.run([vodex_program, "uninstall", "--quiet", "Vodex_Photometer"], check=False)
