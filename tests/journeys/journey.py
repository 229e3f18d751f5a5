"""Journeys: the toolkit's programs used as a person uses them, on a real X server.

A journey starts its own X server (Xvfb) with a window manager, a state folder of its own with
the toolkit's drivers installed, and the real programs of the build on Qt's xcb platform. Every
click and key goes through the X server (xdotool, the XTEST extension). To find a window by its
title and a control by its name, each program carries the probe plug-in (probe/), which only
answers where things are and what they show. Each step leaves a picture of the whole screen in
build/journeys/.
"""
import json
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time

BUILD = os.environ["VODEX_BUILD"]
BIN = os.path.join(BUILD, "bin")
PICTURES = os.path.join(BUILD, "journeys")
SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


class JourneyError(AssertionError):
    pass


def wait_for(condition, timeout, what):
    """Polls `condition` until it gives something true; fails after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        try:
            last = condition()
        except (OSError, JourneyError) as error:
            last = error
        if last and not isinstance(last, Exception):
            return last
        if time.monotonic() > deadline:
            raise JourneyError(f"{what}: not within {timeout} s (last: {last!r})")
        time.sleep(0.1)


class Program:
    """A running program of the build, with its probe."""

    def __init__(self, desktop, name, args, env):
        self.desktop = desktop
        self.name = name
        self.process = subprocess.Popen([os.path.join(BIN, name), *args], env=env,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                        text=True)
        self._socket = None
        self._buffer = b""

    def connect(self, timeout=15):
        path = os.path.join(self.desktop.probes, str(self.process.pid))

        def attempt():
            if self.process.poll() is not None:
                raise JourneyError(f"{self.name} ended with {self.process.returncode}: "
                                   f"{self.process.stdout.read()}")
            s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            try:
                s.connect(path)
            except OSError:
                s.close()
                return None
            s.settimeout(5)
            return s

        self._socket = wait_for(attempt, timeout, f"{self.name}'s probe")
        return self

    def ask(self, *fields):
        if self._socket is None:
            self.connect()
        self._socket.sendall(("\t".join(str(f) for f in fields) + "\n").encode())
        while b"\n" not in self._buffer:
            chunk = self._socket.recv(65536)
            if not chunk:
                raise JourneyError(f"{self.name} closed its probe")
            self._buffer += chunk
        line, self._buffer = self._buffer.split(b"\n", 1)
        return json.loads(line)

    # ---- looking ----
    def windows(self):
        return self.ask("windows")["windows"]

    def window(self, key, timeout=10):
        """Waits until a window with this title or object name is visible; gives its facts."""
        seen = {}

        def settled():
            # Shown, the program given the focus (the window, or a message of it in front),
            # and placed by the window manager: the same place twice.
            windows = self.windows()
            if not any(w.get("active") for w in windows):
                return None
            for w in windows:
                if key in (w.get("title"), w.get("name")):
                    before, seen["rect"] = seen.get("rect"), w["rect"]
                    return w if before == w["rect"] else None
            return None
        return wait_for(settled, timeout, f"the window {key!r} of {self.name}")

    def gone(self, key, timeout=10):
        wait_for(lambda: all(key not in (w.get("title"), w.get("name")) for w in self.windows()),
                 timeout, f"the window {key!r} to close")

    def control(self, window, control):
        answer = self.ask("find", window, control)
        if not answer.get("found"):
            raise JourneyError(f"{control!r} in {window!r}: {answer.get('why')}")
        return answer

    def text(self, window, control):
        return self.control(window, control)["text"]

    def message(self, timeout=10):
        """Waits for a message box to be shown, given the focus and placed; gives its text."""
        seen = {}

        def settled():
            box = next((w for w in self.windows() if w["class"] == "QMessageBox"), None)
            if not box or not box.get("active"):
                return None
            before, seen["rect"] = seen.get("rect"), box["rect"]
            return box if before == box["rect"] else None
        return wait_for(settled, timeout, f"a message box of {self.name}")["text"]

    # ---- acting (through the X server) ----
    def click(self, window, control, button=1, double=False):
        c = self.control(window, control)
        if not c["enabled"]:
            raise JourneyError(f"{control!r} in {window!r} cannot be used")
        x, y, w, h = c["rect"]
        self.desktop.pointer(x + w // 2, y + h // 2, button, 2 if double else 1)

    def click_item(self, window, control, text, button=1, double=False):
        """Clicks the row of a list, or the entry of an open drop-down, that holds `text`."""
        def item():
            answer = self.ask("item", window, control, text)
            return answer if answer.get("found") else None
        found = wait_for(item, 5, f"the row {text!r} in {control!r}")
        x, y, w, h = found["rect"]
        self.desktop.pointer(x + min(w // 2, 60), y + h // 2, button, 2 if double else 1)

    def tick_item(self, window, control, text):
        """Clicks the tick box of the row that holds `text`."""
        def item():
            answer = self.ask("item", window, control, text)
            return answer if answer.get("found") and "check" in answer else None
        x, y, w, h = wait_for(item, 5, f"the tick box of {text!r} in {control!r}")["check"]
        self.desktop.pointer(x + w // 2, y + h // 2, 1, 1)

    def choose(self, window, combo, text):
        """Opens a drop-down and clicks its entry holding `text`."""
        self.click(window, combo)
        self.click_item(window, combo, text)

    def answer_message(self, button_text="OK", timeout=10):
        """Clicks a button of the message box that is open, by its caption, and waits until
        the box has gone; gives the box's text."""
        text = self.message(timeout)
        self.click("*", "text=" + button_text)
        wait_for(lambda: not any(w["class"] == "QMessageBox" and w["text"] == text
                                 for w in self.windows()), timeout, f"the message {text!r} to close")
        return text

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self._socket:
            self._socket.close()

    def ended(self, timeout=10):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired as error:
            raise JourneyError(f"{self.name} did not end within {timeout} s") from error


class Balance:
    """A virtual balance (vodex-sim) whose terminal appears at `link`."""

    def __init__(self, desktop, link, weight):
        self.link = link
        self.process = subprocess.Popen([os.path.join(BIN, "vodex-sim"), "balance", "--link",
                                         link, "--weight", str(weight)],
                                        stdout=subprocess.PIPE, text=True, env=desktop.env)
        self.process.stdout.readline()  # it says where it listens once it does

    def pull(self):
        """The cable pulled: the instrument and its terminal go."""
        self.process.send_signal(signal.SIGKILL)
        self.process.wait()
        if os.path.lexists(self.link):
            os.unlink(self.link)


class PortServer:
    """ser2net on 127.0.0.1 serving a balance's terminal with RFC 2217, configured as the bench
    computer of docs/network-ports.md."""

    def __init__(self, desktop, link):
        program = shutil.which("ser2net") or "/usr/sbin/ser2net"
        if not os.path.exists(program):
            raise JourneyError("ser2net is not installed (Debian package ser2net)")
        with socket.socket() as free:
            free.bind(("127.0.0.1", 0))
            self.port = free.getsockname()[1]
        with open(os.path.join(SOURCE, "docs", "examples", "ser2net.yaml")) as example:
            config = example.read()
        config = config.replace("/dev/ttyUSB0", link).replace(
            "tcp,2001", f"tcp,127.0.0.1,{self.port}")
        config = config[:config.index("connection: &bench-raw")]  # the RFC 2217 port only
        self.config = os.path.join(desktop.folder, "ser2net.yaml")
        with open(self.config, "w") as file:
            file.write(config)
        self.command = [program, "-n", "-u", "-c", self.config, "-P",
                        os.path.join(desktop.folder, "ser2net.pid")]
        self.start()

    def start(self):
        self.process = subprocess.Popen(self.command, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)

        def listening():
            with socket.socket() as probe:
                return probe.connect_ex(("127.0.0.1", self.port)) == 0
        wait_for(listening, 10, "ser2net")

    def kill(self):
        self.process.kill()
        self.process.wait()


class Desktop:
    """An X server with a window manager, and a user whose toolkit state is new."""

    def __init__(self, journey, language, drivers=("Vodex_Randomizer", "Vodex_Balance")):
        self.journey = journey
        self.language = language
        self.folder = tempfile.mkdtemp(prefix="vodex-journey-")
        self.home = os.path.join(self.folder, "vodex")
        self.probes = os.path.join(self.folder, "probes")
        self.programs = []
        self.balances = []
        self.servers = []
        self.step = 0
        os.makedirs(PICTURES, exist_ok=True)
        for old in os.listdir(PICTURES):
            if old.startswith(f"{journey}-{language}-"):
                os.remove(os.path.join(PICTURES, old))
        self.display = self._start_x()
        runtime = os.path.join(self.folder, "runtime")
        os.makedirs(runtime, mode=0o700)
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": self.folder,
            "XDG_CONFIG_HOME": os.path.join(self.folder, "config"),
            "XDG_RUNTIME_DIR": runtime,
            "LANG": "C.UTF-8",
            "DISPLAY": self.display,
            "VODEX_HOME": self.home,
            "QT_QPA_PLATFORM": "xcb",
            "QT_QPA_GENERIC_PLUGINS": "vodexprobe",
            "QT_PLUGIN_PATH": os.path.join(BUILD, "tests", "journeys", "plugins"),
            "VODEX_JOURNEY_PROBE": self.probes,
        }
        self._start_window_manager()
        for driver in drivers:
            self.install(driver)
        self.vodex("language", language)

    def _start_x(self):
        xvfb = shutil.which("Xvfb")
        if not xvfb:
            raise JourneyError("Xvfb is not installed (Debian package xvfb)")
        read, write = os.pipe()
        self.x = subprocess.Popen([xvfb, "-displayfd", str(write), "-screen", "0", "1280x960x24",
                                   "-nolisten", "tcp", "-noreset"], pass_fds=(write,),
                                  stderr=subprocess.PIPE, text=True)
        os.close(write)
        with os.fdopen(read) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.x.kill()
            raise JourneyError(f"Xvfb did not start: {self.x.stderr.read()[-2000:]}")
        return ":" + number

    def _start_window_manager(self):
        wm = shutil.which("openbox")
        if not wm:
            raise JourneyError("openbox is not installed (Debian package openbox)")
        self.wm = subprocess.Popen([wm, "--sm-disable"], env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def ready():
            root = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                                  capture_output=True, text=True)
            return "window id" in root.stdout
        wait_for(ready, 10, "the window manager")

    def install(self, driver):
        """A driver of the toolkit registered from its component, as the set-up does it."""
        self.vodex("install", "--quiet", os.path.join(BUILD, "lib", driver + ".so"))

    def update_server(self, address):
        """The machine's update server, as an administrator sets it."""
        subprocess.run([os.path.join(BIN, "registry_set"),
                        "Software\\VQ Morvane\\VQ ReziraDovarir\\UpdateServer", address],
                       env=self.env, check=True)

    def vodex(self, *args, check=True):
        done = subprocess.run([os.path.join(BIN, "vodex"), *args], env=self.env,
                              capture_output=True, text=True)
        if check and done.returncode != 0:
            raise JourneyError(f"vodex {' '.join(args)}: {done.returncode} {done.stderr}")
        return done

    def start(self, name, *args, extra_env=None):
        env = dict(self.env, **(extra_env or {}))
        program = Program(self, name, args, env)
        self.programs.append(program)
        return program

    def balance(self, port, weight=120.5):
        """A balance plugged in: its terminal appears and the port number is mapped to it."""
        link = os.path.join(self.folder, f"waage{port}")
        balance = Balance(self, link, weight)
        self.balances.append(balance)
        self.vodex("ports", "set", str(port), link)
        return balance

    def served_balance(self, port, weight=120.5):
        """A balance on a bench computer's port server, the port number mapped to it."""
        balance = Balance(self, os.path.join(self.folder, f"bench{port}"), weight)
        self.balances.append(balance)
        server = PortServer(self, balance.link)
        self.servers.append(server)
        self.vodex("ports", "set", str(port), f"rfc2217://127.0.0.1:{server.port}")
        return server

    def pointer(self, x, y, button, clicks):
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "sleep", "0.05", "click",
                        "--repeat", str(clicks), "--delay", "80", str(button)],
                       env=self.env, check=True)
        time.sleep(0.05)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "25", text], env=self.env, check=True)

    def key(self, *keys):
        subprocess.run(["xdotool", "key", "--delay", "40", *keys], env=self.env, check=True)

    def shot(self, what):
        """A picture of the whole screen, taken by any program still running."""
        time.sleep(0.4)  # what was just shown is drawn
        self.step += 1
        name = f"{self.journey}-{self.language}-{self.step:02d}-{what}.png"
        path = os.path.join(PICTURES, name)
        for program in reversed(self.programs):
            if program.process.poll() is None:
                try:
                    if program.ask("shot", path).get("saved"):
                        return path
                except (OSError, JourneyError):
                    continue
        raise JourneyError(f"no program could take the picture {name}")

    def close(self):
        for program in self.programs:
            program.stop()
        for server in self.servers:
            if server.process.poll() is None:
                server.kill()
        for balance in self.balances:
            if balance.process.poll() is None:
                balance.process.terminate()
                balance.process.wait()
        for process in (getattr(self, "wm", None), self.x):
            if process and process.poll() is None:
                process.terminate()
                process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)
