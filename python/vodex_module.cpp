// The Python module "vodex": the client's path of the library. The entry object and its
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
    py::class_<Channel> channel(m, "Channel");
    BindChannelValues(channel);
    channel.def_property_readonly("ID", [](const Channel& c) { return c->ID(); })
        .def_property_readonly("NAME", [](const Channel& c) { return c->NAME(); })
        .def_property_readonly("SIZE", [](const Channel& c) { return c->SIZE(); })
        .def_property(
            "STATUS", [](const Channel& c) { return c->STATUS(); },
            [](const Channel& c, std::int32_t v) { c->STATUS(v); })
        .def_property(
            "MEASURE", [](const Channel& c) { return c->MEASURE(); },
            [](const Channel& c, bool v) { c->MEASURE(v); })
        .def_property_readonly("STATUSTEXT", [](const Channel& c) { return c->STATUSTEXT(); })
        .def_property_readonly("STATUSTEXTSHORT",
                               [](const Channel& c) { return c->STATUSTEXTSHORT(); })
        .def("__repr__", [](const Channel& c) {
            return "<vodex.Channel " + std::to_string(c->ID()) + " '" + c->NAME() + "'>";
        });
}

void BindDevice(py::module_& m) {
    py::class_<Device>(m, "Device")
        .def_property_readonly("NAME", [](const Device& d) { return d->INFO()->NAME(); })
        .def_property_readonly("MANUFACTURER",
                               [](const Device& d) { return d->INFO()->MANUFACTURER(); })
        .def_property_readonly("DESCRIPTION",
                               [](const Device& d) { return d->INFO()->DESCRIPTION(); })
        .def_property_readonly("STATUS", [](const Device& d) { return d->STATUS(); })
        .def_property_readonly("STATUSTEXT", [](const Device& d) { return d->STATUSTEXT(); })
        .def_property_readonly("STATUSTEXTSHORT",
                               [](const Device& d) { return d->STATUSTEXTSHORT(); })
        .def_property_readonly("PORT", [](const Device& d) { return d->PORT(); })
        .def_property_readonly("DEBUGINFO", [](const Device& d) { return d->DEBUGINFO(); })
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
        .def("CHANNEL", &ChannelAt, py::arg("position"), "The channel at position 1 to the count.")
        .def(
            "CONNECT",
            [](const Device& d, std::int32_t port) {
                int_Device& device = *d;
                py::gil_scoped_release free;
                return device.CONNECT(port);
            },
            py::arg("port"))
        .def("DISCONNECT",
             [](const Device& d) {
                 int_Device& device = *d;
                 py::gil_scoped_release free;
                 return device.DISCONNECT();
             })
        .def("EXECUTE",
             [](const Device& d) {
                 int_Device& device = *d;
                 py::gil_scoped_release free;
                 device.EXECUTE();
             })
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
        .def("DESTROY",
             [](const Device& d) {
                 int_Device& device = *d;
                 py::gil_scoped_release free;
                 device.DESTROY();
             })
        .def("__repr__",
             [](const Device& d) { return "<vodex.Device '" + d->INFO()->NAME() + "'>"; });
}

void BindRegistry(py::module_& m) {
    py::class_<Registry>(m, "Registry")
        .def(
            "CONTENT", [](const Registry& r) { return Items(r->CONTENT()); },
            "The active drivers' class names.")
        .def(
            "CONTENTALL", [](const Registry& r) { return Items(r->CONTENTALL()); },
            "Every installed driver's class name.")
        .def(
            "EXISTS", [](const Registry& r, const std::string& cls) { return r->EXISTS(cls); },
            py::arg("cls"))
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
            py::arg("cls"), "A device that describes the driver (not connected).")
        .def("CREATE", &Create, py::arg("cls"), "A new device of the driver.")
        .def("CHECK", [](const Registry& r) { r->CHECK(); })
        .def_property_readonly("VERSION", [](const Registry& r) { return r->VERSION(); })
        .def_property_readonly("BUILD", [](const Registry& r) { return r->BUILD(); });
}

void BindManager(py::module_& m) {
    py::class_<Manager>(m, "Manager")
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
            "The shared, connected device of the driver on the port.")
        .def(
            "DEINIT",
            [](const Manager& owned, const std::string& name, std::int32_t port) {
                cls_DeviceManager& man = *owned;
                py::gil_scoped_release free;
                return man.DEINIT(name, port);
            },
            py::arg("name"), py::arg("port"),
            "Gives the device back; the last user's DEINIT disconnects it.")
        .def_property_readonly("COUNT", [](const Manager& man) { return man->COUNT(); });
}

void BindSession(py::module_& m) {
    py::class_<Session>(m, "Session")
        .def(py::init<const std::string&, std::optional<std::int32_t>,
                      const std::vector<std::int32_t>&>(),
             py::arg("cls"), py::arg("port") = py::none(),
             py::arg("channels") = std::vector<std::int32_t>{},
             "Connects the driver's device on the port (its first when None) and measures the "
             "channels (all when empty). The random generator stands in for a driver that is "
             "not installed or broken; `replaced` then says why.")
        .def("measure", &MeasureOnce,
             "One cycle: (seconds since the first, {channel id: value or None}).")
        .def("close", &Session::Close, "Gives the device back; the session cannot measure then.")
        .def("__enter__", [](Session& s) -> Session& { return s; })
        .def("__exit__", [](Session& s, const py::args&) { s.Close(); })
        .def_property_readonly("driver", [](Session& s) { return s.Open().DriverClass(); })
        .def_property_readonly("port", [](Session& s) { return s.Open().Port(); })
        .def_property_readonly("where", [](Session& s) { return s.Open().Where(); })
        .def_property_readonly("replaced", [](Session& s) { return s.Open().Replaced(); })
        .def_property_readonly("in_error", [](Session& s) { return s.Open().InError(); })
        .def_property_readonly("trouble", [](Session& s) { return s.Open().Trouble(); })
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

PYBIND11_MODULE(vodex, m) {
    m.doc() = "The Vodex toolkit for measuring instruments: registry, devices and channels.";
    static py::exception<tlx::Error> error(m, "Error");
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
