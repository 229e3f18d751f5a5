// The compiled part of the Python package "vodex" (vodex._vodex, which vodex/__init__.py names
// as vodex.X): the client's path of the library. The entry object and its
// registry (listing, INFO), devices created through the registry or the shared device
// manager, CONNECT/EXECUTE/DISCONNECT, the channels with their values and states, the ports,
// the data field as sequences, and the device's status. Errors of the library become
// vodex.Error with the library's message; a driver's wait for its port runs without the
// interpreter lock, so other Python threads go on. The library's objects belong to the thread
// that made them: another thread using one gets vodex.Error, never a race with the owner's
// calls. A device the registry made is released (disconnected, its driver let go) when Python
// drops the last reference to it. A measuring session (vodex.Session) does what `vodex measure`
// does: the device of a driver connected through the manager, the chosen channels measured
// cycle by cycle, the device given back when the session closes.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "tlx/error.h"
#include "tlx/lists.h"
#include "vodex/core/device.h"
#include "vodex/core/device_manager.h"
#include "vodex/core/device_tool.h"
#include "vodex/core/sys_device.h"
#include "vodex/tools/measuring_session.h"

namespace py = pybind11;

namespace {

using vodex::cls_DeviceChannel;
using vodex::cls_DeviceManager;
using vodex::cls_DeviceTool;
using vodex::int_Device;

// The exception the module raises; set when the module loads.
PyObject* gError = nullptr;

[[noreturn]] void Fail(const std::string& message) {
    PyErr_SetString(gError, message.c_str());
    throw py::error_already_set();
}

std::vector<std::string> Items(const std::shared_ptr<tlx::cls_CoreList>& list) {
    return list ? std::vector<std::string>(list->ITEMS().begin(), list->ITEMS().end())
                : std::vector<std::string>{};
}

// A library object as Python holds it, with the thread it belongs to.
template <class T>
class Owned {
  public:
    explicit Owned(std::shared_ptr<T> object) : object_(std::move(object)) {}
    // The object, for its own thread; vodex.Error for any other (the interpreter lock is
    // held here, and is let go only after this check).
    T& operator*() const {
        if (!OnOwnThread()) {
            Fail(
                "this object belongs to the thread that made it; make one in this thread "
                "(vodex.registry() and vodex.manager() are the thread's own)");
        }
        return *object_;
    }
    T* operator->() const { return &**this; }
    const std::shared_ptr<T>& Shared() const {
        **this;  // checks the thread
        return object_;
    }

  protected:
    bool OnOwnThread() const { return owner_ == std::this_thread::get_id(); }

    std::shared_ptr<T> object_;
    std::thread::id owner_ = std::this_thread::get_id();
};

using Channel = Owned<cls_DeviceChannel>;
using Registry = Owned<cls_DeviceTool>;
using Manager = Owned<cls_DeviceManager>;

// A device in Python. One that a driver was made for (by the registry, or by the manager and
// since let go by it) is released when Python drops it: its port is closed and its driver
// freed, as a C++ client does with DESTROY.
class Device : public Owned<int_Device> {
  public:
    Device(std::shared_ptr<int_Device> device, std::shared_ptr<cls_DeviceManager> manager)
        : Owned(std::move(device)), manager_(std::move(manager)) {}
    Device(Device&&) = default;
    Device& operator=(Device&&) = delete;
    ~Device() {
        // Another thread's device is left alone: releasing it there would race its owner.
        if (!object_ || !OnOwnThread() || !object_->PARENT() || HeldByManager()) return;
        try {
            object_->DESTROY();
        } catch (...) {
        }
    }

  private:
    bool HeldByManager() const {
        if (!manager_) return false;
        for (std::int32_t i = 1; i <= manager_->COUNT(); ++i) {
            if (manager_->Item(tlx::Variant(i), true) == object_) return true;
        }
        return false;
    }

    std::shared_ptr<cls_DeviceManager> manager_;
};

// A device from the registry, or vodex.Error with the registry's reason.
Device Create(const Registry& owned, const std::string& cls) {
    cls_DeviceTool& registry = *owned;
    if (!registry.EXISTSALL(cls)) Fail("the driver '" + cls + "' is not installed");
    registry.TakeLastError();  // an earlier call's reason is not this one's
    std::shared_ptr<int_Device> device;
    {
        py::gil_scoped_release free;  // loading a driver may take a while
        device = registry.CREATE(cls);
    }
    if (!device) {
        const std::string reason = registry.TakeLastError();
        Fail("the driver '" + cls + "' cannot be created" + (reason.empty() ? "" : ": " + reason));
    }
    return Device(std::move(device), nullptr);
}

Channel ChannelAt(const Device& owned, std::int32_t position) {
    const auto channels = owned->CHANNELS();
    if (position < 1 || position > channels->COUNT()) {
        throw py::index_error("no channel at position " + std::to_string(position) + " (1 to " +
                              std::to_string(channels->COUNT()) + ")");
    }
    return Channel(channels->Item(position));
}

std::vector<Channel> Channels(const Device& owned) {
    std::vector<Channel> all;
    const auto channels = owned->CHANNELS();
    for (std::int32_t i = 1; i <= channels->COUNT(); ++i)
        all.emplace_back(channels->Item(i));
    return all;
}

// A measuring session in Python, usable as a context manager; closing it gives the device back.
class Session : public Owned<vodex::MeasuringSession> {
  public:
    Session(const std::string& cls, std::optional<std::int32_t> port,
            const std::vector<std::int32_t>& channels)
        : Owned(Connect(cls, port)) {
        object_->Choose(channels);
    }
    Session(Session&&) = default;
    Session& operator=(Session&&) = delete;
    // Another thread's session is left alone: releasing it there would race its owner.
    ~Session() {
        if (OnOwnThread()) object_.reset();
    }
    void Close() {
        if (!object_) return;
        **this;                       // checks the thread
        py::gil_scoped_release free;  // disconnecting may wait for the port
        object_.reset();
    }
    vodex::MeasuringSession& Open() const {
        if (!object_) Fail("the session is closed");
        return **this;
    }

  private:
    static std::shared_ptr<vodex::MeasuringSession> Connect(const std::string& cls,
                                                            std::optional<std::int32_t> port) {
        py::gil_scoped_release free;  // connecting may wait for the port
        return std::make_shared<vodex::MeasuringSession>(cls, port);
    }
};

// One cycle of the session: its time and each chosen channel's value (None when the channel
// did not measure).
py::tuple MeasureOnce(Session& session) {
    vodex::MeasuringSession& open = session.Open();
    vodex::MeasuringSession::Cycle cycle;
    {
        py::gil_scoped_release free;
        cycle = open.Measure();
    }
    py::dict values;
    const auto channels = open.Device().CHANNELS();
    for (std::int32_t id : open.Channels()) {
        const auto c = channels->Item(id, false);
        values[py::int_(id)] = c->MEASURED() ? py::object(py::float_(c->VALUE())) : py::none();
    }
    return py::make_tuple(cycle.seconds, values);
}

// A channel's VALUE and MEASURED are read for every channel in every measuring cycle, so
// they are the interpreter's own attribute descriptors, called without pybind11's general
// dispatch of a function. Errors are raised as the other attributes raise them.
template <class F>
auto OnChannel(PyObject* self, F&& read, decltype(read(std::declval<const Channel&>())) failed) {
    try {
        return read(py::cast<const Channel&>(py::handle(self)));
    } catch (py::error_already_set& e) {
        e.restore();
    } catch (const std::exception& e) {
        PyErr_SetString(gError, e.what());
    }
    return failed;
}

PyObject* GetValue(PyObject* self, void*) {
    return OnChannel(
        self, [](const Channel& c) { return PyFloat_FromDouble(c->VALUE()); }, nullptr);
}

int SetValue(PyObject* self, PyObject* value, void*) {
    if (!value) {
        PyErr_SetString(PyExc_AttributeError, "VALUE cannot be deleted");
        return -1;
    }
    const double v = PyFloat_AsDouble(value);
    if (v == -1.0 && PyErr_Occurred()) return -1;
    return OnChannel(
        self,
        [v](const Channel& c) {
            c->VALUE(v);
            return 0;
        },
        -1);
}

PyObject* GetMeasured(PyObject* self, void*) {
    return OnChannel(
        self, [](const Channel& c) { return PyBool_FromLong(c->MEASURED() ? 1 : 0); }, nullptr);
}

void BindChannelValues(py::class_<Channel>& channel) {
    static PyGetSetDef values[] = {
        {"VALUE", GetValue, SetValue, "The value of the last measurement (float).", nullptr},
        {"MEASURED", GetMeasured, nullptr,
         "Whether the last cycle gave this channel a value (bool).", nullptr},
    };
    auto* type = reinterpret_cast<PyTypeObject*>(channel.ptr());
    for (PyGetSetDef& def : values) {
        py::object descriptor = py::reinterpret_steal<py::object>(PyDescr_NewGetSet(type, &def));
        if (!descriptor) throw py::error_already_set();
        py::setattr(channel, def.name, descriptor);
    }
}

void BindChannel(py::module_& m) {
    py::class_<Channel> channel(m, "Channel",
                                "One channel of a device: a measured quantity with its name, "
                                "unit, latest value and status. Taken from Device.CHANNELS or "
                                "Device.CHANNEL(n), never made directly.");
    BindChannelValues(channel);
    channel
        .def_property_readonly(
            "ID", [](const Channel& c) { return c->ID(); },
            "The channel's key (int), by which a Session names it; vodex.Error when the key is "
            "a text that is no number.")
        .def_property_readonly(
            "NAME", [](const Channel& c) { return c->NAME(); }, "The channel's name (str).")
        .def_property_readonly(
            "SIZE", [](const Channel& c) { return c->SIZE(); },
            "The unit of the value (str), as \"mS\".")
        .def_property(
            "STATUS", [](const Channel& c) { return c->STATUS(); },
            [](const Channel& c, std::int32_t v) { c->STATUS(v); },
            "The channel's status (int): 0 ready, 1 busy, 100 and above an error; any number "
            "set is kept as it is.")
        .def_property(
            "MEASURE", [](const Channel& c) { return c->MEASURE(); },
            [](const Channel& c, bool v) { c->MEASURE(v); },
            "Whether the driver measures this channel in each EXECUTE (bool).")
        .def_property_readonly(
            "STATUSTEXT", [](const Channel& c) { return c->STATUSTEXT(); },
            "The status in words (str), in the interface language; the driver's own text for "
            "its user-defined error.")
        .def_property_readonly(
            "STATUSTEXTSHORT", [](const Channel& c) { return c->STATUSTEXTSHORT(); },
            "The status as a short text (str), as \"OV\" for an overflow, in the interface "
            "language.")
        .def(
            "__repr__",
            [](const Channel& c) {
                return "<vodex.Channel " + std::to_string(c->ID()) + " '" + c->NAME() + "'>";
            },
            "<vodex.Channel ID 'NAME'>.");
}

void BindDevice(py::module_& m) {
    py::class_<Device>(m, "Device",
                       "A device of a driver: its description, ports, channels and data field, "
                       "and the calls that connect and measure. Made by the registry or the "
                       "manager; one the registry made is released when Python drops it.")
        .def_property_readonly(
            "NAME", [](const Device& d) { return d->INFO()->NAME(); },
            "The device's name in the driver's description (str).")
        .def_property_readonly(
            "MANUFACTURER", [](const Device& d) { return d->INFO()->MANUFACTURER(); },
            "The maker in the driver's description (str).")
        .def_property_readonly(
            "DESCRIPTION", [](const Device& d) { return d->INFO()->DESCRIPTION(); },
            "The driver's description of the device (str).")
        .def_property_readonly(
            "STATUS", [](const Device& d) { return d->STATUS(); },
            "The device's status (int): 0 off, 1 init, 2 ready, 3 deinit, 4 error.")
        .def_property_readonly(
            "STATUSTEXT", [](const Device& d) { return d->STATUSTEXT(); },
            "The status in words (str), as \"Ready\", in the interface language.")
        .def_property_readonly(
            "STATUSTEXTSHORT", [](const Device& d) { return d->STATUSTEXTSHORT(); },
            "The status as a short text (str), as \"RDY\", in the interface language.")
        .def_property_readonly(
            "PORT", [](const Device& d) { return d->PORT(); },
            "The port of the last CONNECT, whether it connected or not (int; 1 = COM1, 0 = "
            "none).")
        .def_property_readonly(
            "DEBUGINFO", [](const Device& d) { return d->DEBUGINFO(); },
            "What the driver says of its trouble (str); \"\" when it says nothing.")
        .def_property_readonly(
            "PORTS",
            [](const Device& d) {
                std::vector<std::pair<std::int32_t, std::string>> ports;
                const auto list = d->PORTS();
                for (std::int32_t i = 1; i <= list->COUNT(); ++i) {
                    if (const auto p = list->Item(tlx::Variant(i)))
                        ports.emplace_back(p->ID(), p->NAME());
                }
                return ports;
            },
            "The ports as (number, name) pairs.")
        .def_property_readonly("CHANNELS", &Channels, "The channels, in the list's order.")
        .def("CHANNEL", &ChannelAt, py::arg("position"),
             "The channel at position 1 to the count; IndexError for any other position.")
        .def(
            "CONNECT",
            [](const Device& d, std::int32_t port) {
                int_Device& device = *d;
                py::gil_scoped_release free;
                return device.CONNECT(port);
            },
            py::arg("port"),
            "Connects the device on the port (1 = COM1): True when the driver connected, False "
            "when it did not (STATUSTEXT and DEBUGINFO say why); a driver's error raises "
            "vodex.Error.")
        .def(
            "DISCONNECT",
            [](const Device& d) {
                int_Device& device = *d;
                py::gil_scoped_release free;
                return device.DISCONNECT();
            },
            "Disconnects the device: True when the driver did, else False; a driver's error "
            "raises vodex.Error.")
        .def(
            "EXECUTE",
            [](const Device& d) {
                int_Device& device = *d;
                py::gil_scoped_release free;
                device.EXECUTE();
            },
            "One measuring cycle: the driver measures the channels with MEASURE set. An "
            "instrument that fails shows in STATUS and the channels; a driver's error raises "
            "vodex.Error.")
        .def(
            "ACTIVATE",
            [](const Device& d, const std::string& command, std::int32_t activation,
               const std::vector<double>& parameters) {
                std::vector<tlx::Variant> values(parameters.begin(), parameters.end());
                tlx::VariantArray array(1, std::move(values));
                int_Device& device = *d;
                py::gil_scoped_release free;
                return device.ACTIVATE(command, activation, array);
            },
            py::arg("command"), py::arg("activation"),
            py::arg("parameters") = std::vector<double>{},
            "Runs one of the driver's activation commands (its INFO's SUPPORTEDACTIVATORS) with "
            "an activation (0 off, 1 on, 2 set, 3 get) and numbers; True when the driver did it. "
            "A photometer's ACTIVATE(\"SCAN\", 1, [from, to, step]) fills DATA with the spectrum.")
        .def_property_readonly(
            "DATA",
            [](const Device& d) {
                const auto field = d->DATAFIELD();
                std::vector<double> x = field->XFIELD(), y = field->YFIELD();
                // Position 0 of the field's arrays is not a point.
                if (!x.empty()) x.erase(x.begin());
                if (!y.empty()) y.erase(y.begin());
                return std::make_pair(x, y);
            },
            "The data field as a pair of sequences (x values, y values).")
        .def(
            "DESTROY",
            [](const Device& d) {
                int_Device& device = *d;
                py::gil_scoped_release free;
                device.DESTROY();
            },
            "Disconnects the device and lets its driver go, ignoring every error; it cannot "
            "measure afterwards. Even a device the manager shares is let go: give that one back "
            "with Manager.DEINIT instead.")
        .def(
            "__repr__",
            [](const Device& d) { return "<vodex.Device '" + d->INFO()->NAME() + "'>"; },
            "<vodex.Device 'NAME'>.");
}

void BindRegistry(py::module_& m) {
    py::class_<Registry>(m, "Registry",
                         "The thread's driver registry, from vodex.registry(): the installed "
                         "drivers, their descriptions, and new devices of them.")
        .def(
            "CONTENT", [](const Registry& r) { return Items(r->CONTENT()); },
            "The enabled drivers' component names (str: each driver file's name without its "
            "extension), not their class names.")
        .def(
            "CONTENTALL", [](const Registry& r) { return Items(r->CONTENTALL()); },
            "Every installed driver's class name (str), enabled or not, as the last CHECK (or "
            "the registry's first use) found them.")
        .def(
            "EXISTS", [](const Registry& r, const std::string& cls) { return r->EXISTS(cls); },
            py::arg("cls"), "Whether the driver is installed and enabled (bool).")
        .def(
            "INFO",
            [](const Registry& r, const std::string& cls) {
                r->TakeLastError();
                auto device = r->INFO(cls);
                if (!device) {
                    const std::string reason = r->TakeLastError();
                    Fail("the driver '" + cls + "' cannot describe itself" +
                         (reason.empty() ? "" : ": " + reason));
                }
                return Device(std::move(device), nullptr);
            },
            py::arg("cls"),
            "A device that describes the driver (not connected); vodex.Error with the reason "
            "when the driver cannot describe itself.")
        .def("CREATE", &Create, py::arg("cls"),
             "A new device of the driver, not connected; vodex.Error when the driver is not "
             "installed or cannot be created.")
        .def(
            "CHECK", [](const Registry& r) { r->CHECK(); },
            "Reads the installed drivers again, for CONTENT and CONTENTALL.")
        .def_property_readonly(
            "VERSION", [](const Registry& r) { return r->VERSION(); },
            "The toolkit's version (str), as \"major.minor.revision\".")
        .def_property_readonly(
            "BUILD", [](const Registry& r) { return r->BUILD(); },
            "The toolkit's build number (int): its revision plus 400.");
}

void BindManager(py::module_& m) {
    py::class_<Manager>(m, "Manager",
                        "The thread's device manager, from vodex.manager(): one device and one "
                        "connection per driver and port, shared by all who ask for it.")
        .def(
            "CREATE",
            [](const Manager& owned, const std::string& cls, std::int32_t port) {
                cls_DeviceManager& man = *owned;
                std::shared_ptr<int_Device> device;
                {
                    py::gil_scoped_release free;  // creating connects
                    device = man.CREATE(cls, port);
                }
                if (!device) Fail("no device of '" + cls + "' is free");
                return Device(std::move(device), owned.Shared());
            },
            py::arg("cls"), py::arg("port"),
            "The shared device of the driver on the port; the first request creates and "
            "connects it, and returns it even when it did not connect (see STATUS). vodex.Error "
            "when the driver is missing or broken, or no place is free.")
        .def(
            "DEINIT",
            [](const Manager& owned, const std::string& name, std::int32_t port) {
                cls_DeviceManager& man = *owned;
                py::gil_scoped_release free;
                return man.DEINIT(name, port);
            },
            py::arg("name"), py::arg("port"),
            "Gives the device back; the last user's DEINIT disconnects it. True, or False when "
            "no device of the driver is in use on the port.")
        .def_property_readonly(
            "COUNT", [](const Manager& man) { return man->COUNT(); },
            "The number of devices in use (int).");
}

void BindSession(py::module_& m) {
    py::class_<Session>(m, "Session",
                        "A measuring session, as `vodex measure` runs one, usable in a with "
                        "block. Once it is closed, measure() and the properties raise "
                        "vodex.Error.")
        .def(py::init<const std::string&, std::optional<std::int32_t>,
                      const std::vector<std::int32_t>&>(),
             py::arg("cls"), py::arg("port") = py::none(),
             py::arg("channels") = std::vector<std::int32_t>{},
             "Connects the driver's device on the port (its first when None) and measures the "
             "channels (all when empty). The random generator stands in for a driver that is "
             "not installed or broken; `replaced` then says why. vodex.Error when no device "
             "can be made or connected, or a channel is not the device's.")
        .def("measure", &MeasureOnce,
             "One cycle: (seconds since the first, {channel id: value or None}).")
        .def("close", &Session::Close,
             "Gives the device back; the session cannot measure then. Closing again does "
             "nothing.")
        .def(
            "__enter__", [](Session& s) -> Session& { return s; }, "Returns the session.")
        .def(
            "__exit__", [](Session& s, const py::args&) { s.Close(); },
            "Closes the session; an exception of the with block goes on.")
        .def_property_readonly(
            "driver", [](Session& s) { return s.Open().DriverClass(); },
            "The class name of the driver that measures (str): the random generator's when it "
            "stands in.")
        .def_property_readonly(
            "port", [](Session& s) { return s.Open().Port(); },
            "The port the device is connected on (int).")
        .def_property_readonly(
            "where", [](Session& s) { return s.Open().Where(); },
            "The port as messages name it (str), as \"COM 5 (/dev/ttyUSB0)\".")
        .def_property_readonly(
            "replaced", [](Session& s) { return s.Open().Replaced(); },
            "Why the random generator measures in the place of the driver asked for (str); \"\" "
            "when it does not.")
        .def_property_readonly(
            "in_error", [](Session& s) { return s.Open().InError(); },
            "Whether the device was in error after the last cycle (bool); False before the "
            "first.")
        .def_property_readonly(
            "trouble", [](Session& s) { return s.Open().Trouble(); },
            "What the device says of its trouble (str): its DEBUGINFO, else its STATUSTEXT.")
        .def_property_readonly(
            "channels",
            [](Session& s) {
                std::vector<std::tuple<std::int32_t, std::string, std::string>> all;
                const auto channels = s.Open().Device().CHANNELS();
                for (std::int32_t id : s.Open().Channels()) {
                    const auto c = channels->Item(id, false);
                    all.emplace_back(id, c->NAME(), c->SIZE());
                }
                return all;
            },
            "The measured channels as (id, name, unit), in their order.");
}

}  // namespace

PYBIND11_MODULE(_vodex, m) {
    m.doc() = "The Vodex toolkit for measuring instruments: registry, devices and channels.";
    static py::exception<tlx::Error> error(m, "Error");
    error.attr("__doc__") = "An error of the toolkit, with the library's message.";
    gError = error.ptr();
    // Errors of the library reach Python with their message.
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const tlx::Error& e) {
            PyErr_SetString(gError, e.what());
        }
    });

    BindChannel(m);
    BindDevice(m);
    BindRegistry(m);
    BindManager(m);
    BindSession(m);

    m.def(
        "registry", [] { return Registry(vodex::SysDevice()->DEVICETOOL()); },
        "The thread's shared driver registry (DEVICE of the entry object).");
    m.def(
        "manager", [] { return Manager(vodex::SysDevice()->DEVICEMAN()); },
        "The thread's device manager.");
}
