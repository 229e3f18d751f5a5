"""The Vodex toolkit for measuring instruments: registry, devices and channels.

Errors of the library raise vodex.Error with its message. Every object belongs to the thread
that made it; using it in another thread raises vodex.Error.
"""
from collections.abc import Sequence

__all__ = ["Channel", "Device", "Error", "Manager", "Registry", "Session", "manager", "registry"]

class Error(Exception):
    """An error of the library, with its message."""

class Channel:
    """One channel of a device: a measured quantity with its name, unit, latest value and
    status. Taken from Device.CHANNELS or Device.CHANNEL(n), never made directly."""

    @property
    def VALUE(self) -> float:
        """The value of the last measurement (float)."""
    @VALUE.setter
    def VALUE(self, value: float) -> None: ...
    @property
    def MEASURED(self) -> bool:
        """Whether the last cycle gave this channel a value (bool)."""
    @property
    def ID(self) -> int:
        """The channel's key, by which a Session names it; vodex.Error when the key is a text
        that is no number."""
    @property
    def NAME(self) -> str:
        """The channel's name."""
    @property
    def SIZE(self) -> str:
        """The unit of the value, as "mS"."""
    @property
    def STATUS(self) -> int:
        """The channel's status: 0 ready, 1 busy, 100 and above an error; any number set is
        kept as it is."""
    @STATUS.setter
    def STATUS(self, value: int) -> None: ...
    @property
    def MEASURE(self) -> bool:
        """Whether the driver measures this channel in each EXECUTE."""
    @MEASURE.setter
    def MEASURE(self, value: bool) -> None: ...
    @property
    def STATUSTEXT(self) -> str:
        """The status in words, in the interface language; the driver's own text for its
        user-defined error."""
    @property
    def STATUSTEXTSHORT(self) -> str:
        """The status as a short text, as "OV" for an overflow, in the interface language."""
    def __repr__(self) -> str:
        """<vodex.Channel ID 'NAME'>."""

class Device:
    """A device of a driver: its description, ports, channels and data field, and the calls
    that connect and measure. Made by the registry or the manager; one the registry made is
    released when Python drops it."""

    @property
    def NAME(self) -> str:
        """The device's name in the driver's description."""
    @property
    def MANUFACTURER(self) -> str:
        """The maker in the driver's description."""
    @property
    def DESCRIPTION(self) -> str:
        """The driver's description of the device."""
    @property
    def STATUS(self) -> int:
        """The device's status: 0 off, 1 init, 2 ready, 3 deinit, 4 error."""
    @property
    def STATUSTEXT(self) -> str:
        """The status in words, as "Ready", in the interface language."""
    @property
    def STATUSTEXTSHORT(self) -> str:
        """The status as a short text, as "RDY", in the interface language."""
    @property
    def PORT(self) -> int:
        """The port of the last CONNECT, whether it connected or not (1 = COM1, 0 = none)."""
    @property
    def DEBUGINFO(self) -> str:
        """What the driver says of its trouble; "" when it says nothing."""
    @property
    def PORTS(self) -> list[tuple[int, str]]:
        """The ports as (number, name) pairs."""
    @property
    def CHANNELS(self) -> list[Channel]:
        """The channels, in the list's order."""
    def CHANNEL(self, position: int) -> Channel:
        """The channel at position 1 to the count; IndexError for any other position."""
    def CONNECT(self, port: int) -> bool:
        """Connects the device on the port (1 = COM1): True when the driver connected, False
        when it did not (STATUSTEXT and DEBUGINFO say why); a driver's error raises
        vodex.Error."""
    def DISCONNECT(self) -> bool:
        """Disconnects the device: True when the driver did, else False; a driver's error
        raises vodex.Error."""
    def EXECUTE(self) -> None:
        """One measuring cycle: the driver measures the channels with MEASURE set. An
        instrument that fails shows in STATUS and the channels; a driver's error raises
        vodex.Error."""
    def ACTIVATE(
        self, command: str, activation: int, parameters: Sequence[float] = []
    ) -> bool:
        """Runs one of the driver's activation commands with an activation (0 off, 1 on, 2 set,
        3 get) and numbers; True when the driver did it."""
    @property
    def DATA(self) -> tuple[list[float], list[float]]:
        """The data field as a pair of sequences (x values, y values)."""
    def DESTROY(self) -> None:
        """Disconnects the device and lets its driver go, ignoring every error; it cannot
        measure afterwards. Give a device the manager shares back with Manager.DEINIT instead."""
    def __repr__(self) -> str:
        """<vodex.Device 'NAME'>."""

class Registry:
    """The thread's driver registry, from vodex.registry(): the installed drivers, their
    descriptions, and new devices of them."""

    def CONTENT(self) -> list[str]:
        """The enabled drivers' component names (each driver file's name without its
        extension), not their class names."""
    def CONTENTALL(self) -> list[str]:
        """Every installed driver's class name, enabled or not, as the last CHECK (or the
        registry's first use) found them."""
    def EXISTS(self, cls: str) -> bool:
        """Whether the driver is installed and enabled."""
    def INFO(self, cls: str) -> Device:
        """A device that describes the driver (not connected); vodex.Error with the reason
        when the driver cannot describe itself."""
    def CREATE(self, cls: str) -> Device:
        """A new device of the driver, not connected; vodex.Error when the driver is not
        installed or cannot be created."""
    def CHECK(self) -> None:
        """Reads the installed drivers again, for CONTENT and CONTENTALL."""
    @property
    def VERSION(self) -> str:
        """The toolkit's version, as "major.minor.revision"."""
    @property
    def BUILD(self) -> int:
        """The toolkit's build number: its revision plus 400."""

class Manager:
    """The thread's device manager, from vodex.manager(): one device and one connection per
    driver and port, shared by all who ask for it."""

    def CREATE(self, cls: str, port: int) -> Device:
        """The shared device of the driver on the port; the first request creates and connects
        it, and returns it even when it did not connect (see STATUS). vodex.Error when the
        driver is missing or broken, or no place is free."""
    def DEINIT(self, name: str, port: int) -> bool:
        """Gives the device back; the last user's DEINIT disconnects it. True, or False when
        no device of the driver is in use on the port."""
    @property
    def COUNT(self) -> int:
        """The number of devices in use."""

class Session:
    """A measuring session, as `vodex measure` runs one, usable in a with block. Once it is
    closed, measure() and the properties raise vodex.Error."""

    def __init__(
        self, cls: str, port: int | None = None, channels: Sequence[int] = []
    ) -> None:
        """Connects the driver's device on the port (its first when None) and measures the
        channels (all when empty); the random generator stands in for a driver that is not
        installed or broken. vodex.Error when no device can be made or connected, or a channel
        is not the device's."""
    def measure(self) -> tuple[float, dict[int, float | None]]:
        """One cycle: (seconds since the first, {channel id: value or None})."""
    def close(self) -> None:
        """Gives the device back; the session cannot measure then. Closing again does
        nothing."""
    def __enter__(self) -> Session:
        """Returns the session."""
    def __exit__(self, *args: object) -> None:
        """Closes the session; an exception of the with block goes on."""
    @property
    def driver(self) -> str:
        """The class name of the driver that measures: the random generator's when it stands
        in."""
    @property
    def port(self) -> int:
        """The port the device is connected on."""
    @property
    def where(self) -> str:
        """The port as messages name it, as "COM 5 (/dev/ttyUSB0)"."""
    @property
    def replaced(self) -> str:
        """Why the random generator measures in the place of the driver asked for; "" when it
        does not."""
    @property
    def in_error(self) -> bool:
        """Whether the device was in error after the last cycle; False before the first."""
    @property
    def trouble(self) -> str:
        """What the device says of its trouble: its DEBUGINFO, else its STATUSTEXT."""
    @property
    def channels(self) -> list[tuple[int, str, str]]:
        """The measured channels as (id, name, unit), in their order."""

def registry() -> Registry:
    """The thread's shared driver registry (DEVICE of the entry object)."""

def manager() -> Manager:
    """The thread's device manager."""
