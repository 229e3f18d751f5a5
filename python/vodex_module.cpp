// The Python module "vodex": the client's path of the library. The entry object and its
// registry (listing, INFO), devices created through the registry or the shared device
// manager, CONNECT/EXECUTE/DISCONNECT, the channels with their values and states, the ports,
// the data field as sequences, and the device's status. Errors of the library become
// vodex.Error with the library's message; a driver's wait for its port runs without the
// interpreter lock, so other Python threads go on.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tlx/error.h"
#include "tlx/lists.h"
#include "vodex/core/device.h"
#include "vodex/core/device_manager.h"
#include "vodex/core/device_tool.h"
#include "vodex/core/sys_device.h"

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

// A device from the registry, or vodex.Error with the registry's reason.
std::shared_ptr<int_Device> Create(cls_DeviceTool& registry, const std::string& cls) {
    if (!registry.EXISTSALL(cls)) Fail("the driver '" + cls + "' is not installed");
    std::shared_ptr<int_Device> device;
    {
        py::gil_scoped_release free;  // loading a driver may take a while
        device = registry.CREATE(cls);
    }
    if (!device) {
        const std::string reason = registry.TakeLastError();
        Fail("the driver '" + cls + "' cannot be created" + (reason.empty() ? "" : ": " + reason));
    }
    return device;
}

std::shared_ptr<cls_DeviceChannel> Channel(int_Device& device, std::int32_t position) {
    const auto channels = device.CHANNELS();
    if (position < 1 || position > channels->COUNT()) {
        throw py::index_error("no channel at position " + std::to_string(position) + " (1 to " +
                              std::to_string(channels->COUNT()) + ")");
    }
    return channels->Item(position);
}

std::vector<std::shared_ptr<cls_DeviceChannel>> Channels(int_Device& device) {
    std::vector<std::shared_ptr<cls_DeviceChannel>> all;
    const auto channels = device.CHANNELS();
    for (std::int32_t i = 1; i <= channels->COUNT(); ++i)
        all.push_back(channels->Item(i));
    return all;
}

// The baseline of the module's benchmark: `cycles` measuring cycles read as the Python loop
// reads them, in C++.
double MeasureInCxx(int_Device& device, int cycles) {
    py::gil_scoped_release free;
    const auto start = std::chrono::steady_clock::now();
    double sum = 0;
    for (int c = 0; c < cycles; ++c) {
        device.EXECUTE();
        const auto channels = device.CHANNELS();
        for (std::int32_t i = 1; i <= channels->COUNT(); ++i) {
            const auto channel = channels->Item(i);
            if (channel->MEASURED()) sum += channel->VALUE();
        }
    }
    (void)sum;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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

    py::class_<cls_DeviceChannel, std::shared_ptr<cls_DeviceChannel>>(m, "Channel")
        .def_property_readonly("ID", [](const cls_DeviceChannel& c) { return c.ID(); })
        .def_property_readonly("NAME", [](const cls_DeviceChannel& c) { return c.NAME(); })
        .def_property_readonly("SIZE", [](const cls_DeviceChannel& c) { return c.SIZE(); })
        .def_property(
            "VALUE", [](const cls_DeviceChannel& c) { return c.VALUE(); },
            [](cls_DeviceChannel& c, double v) { c.VALUE(v); })
        .def_property(
            "STATUS", [](const cls_DeviceChannel& c) { return c.STATUS(); },
            [](cls_DeviceChannel& c, std::int32_t v) { c.STATUS(v); })
        .def_property(
            "MEASURE", [](const cls_DeviceChannel& c) { return c.MEASURE(); },
            [](cls_DeviceChannel& c, bool v) { c.MEASURE(v); })
        .def_property_readonly("MEASURED", [](const cls_DeviceChannel& c) { return c.MEASURED(); })
        .def_property_readonly("STATUSTEXT",
                               [](const cls_DeviceChannel& c) { return c.STATUSTEXT(); })
        .def_property_readonly("STATUSTEXTSHORT",
                               [](const cls_DeviceChannel& c) { return c.STATUSTEXTSHORT(); })
        .def("__repr__", [](const cls_DeviceChannel& c) {
            return "<vodex.Channel " + std::to_string(c.ID()) + " '" + c.NAME() + "'>";
        });

    py::class_<int_Device, std::shared_ptr<int_Device>>(m, "Device")
        .def_property_readonly("NAME", [](int_Device& d) { return d.INFO()->NAME(); })
        .def_property_readonly("MANUFACTURER",
                               [](int_Device& d) { return d.INFO()->MANUFACTURER(); })
        .def_property_readonly("DESCRIPTION", [](int_Device& d) { return d.INFO()->DESCRIPTION(); })
        .def_property_readonly("STATUS", [](const int_Device& d) { return d.STATUS(); })
        .def_property_readonly("STATUSTEXT", [](const int_Device& d) { return d.STATUSTEXT(); })
        .def_property_readonly("STATUSTEXTSHORT",
                               [](const int_Device& d) { return d.STATUSTEXTSHORT(); })
        .def_property_readonly("PORT", [](const int_Device& d) { return d.PORT(); })
        .def_property_readonly("DEBUGINFO", [](const int_Device& d) { return d.DEBUGINFO(); })
        .def_property_readonly(
            "PORTS",
            [](int_Device& d) {
                std::vector<std::pair<std::int32_t, std::string>> ports;
                const auto list = d.PORTS();
                for (std::int32_t i = 1; i <= list->COUNT(); ++i) {
                    if (const auto p = list->Item(tlx::Variant(i)))
                        ports.emplace_back(p->ID(), p->NAME());
                }
                return ports;
            },
            "The ports as (number, name) pairs.")
        .def_property_readonly("CHANNELS", &Channels, "The channels, in the list's order.")
        .def("CHANNEL", &Channel, py::arg("position"), "The channel at position 1 to the count.")
        .def(
            "CONNECT", [](int_Device& d, std::int32_t port) { return d.CONNECT(port); },
            py::arg("port"), py::call_guard<py::gil_scoped_release>())
        .def(
            "DISCONNECT", [](int_Device& d) { return d.DISCONNECT(); },
            py::call_guard<py::gil_scoped_release>())
        .def(
            "EXECUTE", [](int_Device& d) { d.EXECUTE(); }, py::call_guard<py::gil_scoped_release>())
        .def_property_readonly(
            "DATA",
            [](int_Device& d) {
                const auto field = d.DATAFIELD();
                std::vector<double> x = field->XFIELD(), y = field->YFIELD();
                // Position 0 of the field's arrays is not a point.
                if (!x.empty()) x.erase(x.begin());
                if (!y.empty()) y.erase(y.begin());
                return std::make_pair(x, y);
            },
            "The data field as a pair of sequences (x values, y values).")
        .def(
            "DESTROY", [](int_Device& d) { d.DESTROY(); }, py::call_guard<py::gil_scoped_release>())
        .def("_measure_in_cxx", &MeasureInCxx, py::arg("cycles"))
        .def("__repr__", [](int_Device& d) { return "<vodex.Device '" + d.INFO()->NAME() + "'>"; });

    py::class_<cls_DeviceTool, std::shared_ptr<cls_DeviceTool>>(m, "Registry")
        .def(
            "CONTENT", [](const cls_DeviceTool& r) { return Items(r.CONTENT()); },
            "The active drivers' class names.")
        .def(
            "CONTENTALL", [](const cls_DeviceTool& r) { return Items(r.CONTENTALL()); },
            "Every installed driver's class name.")
        .def(
            "EXISTS", [](const cls_DeviceTool& r, const std::string& cls) { return r.EXISTS(cls); },
            py::arg("cls"))
        .def(
            "INFO",
            [](cls_DeviceTool& r, const std::string& cls) {
                const auto device = r.INFO(cls);
                if (!device) Fail("the driver '" + cls + "' cannot describe itself");
                return device;
            },
            py::arg("cls"), "A device that describes the driver (not connected).")
        .def("CREATE", &Create, py::arg("cls"), "A new device of the driver.")
        .def("CHECK", [](cls_DeviceTool& r) { r.CHECK(); })
        .def_property_readonly("VERSION", [](const cls_DeviceTool& r) { return r.VERSION(); })
        .def_property_readonly("BUILD", [](const cls_DeviceTool& r) { return r.BUILD(); });

    py::class_<cls_DeviceManager, std::shared_ptr<cls_DeviceManager>>(m, "Manager")
        .def(
            "CREATE",
            [](cls_DeviceManager& man, const std::string& cls, std::int32_t port) {
                std::shared_ptr<int_Device> device;
                {
                    py::gil_scoped_release free;  // creating connects
                    device = man.CREATE(cls, port);
                }
                if (!device) Fail("no device of '" + cls + "' is free");
                return device;
            },
            py::arg("cls"), py::arg("port"),
            "The shared, connected device of the driver on the port.")
        .def(
            "DEINIT",
            [](cls_DeviceManager& man, const std::string& name, std::int32_t port) {
                return man.DEINIT(name, port);
            },
            py::arg("name"), py::arg("port"), py::call_guard<py::gil_scoped_release>())
        .def_property_readonly("COUNT", [](const cls_DeviceManager& man) { return man.COUNT(); });

    m.def(
        "registry", [] { return vodex::SysDevice()->DEVICETOOL(); },
        "The thread's shared driver registry (DEVICE of the entry object).");
    m.def(
        "manager", [] { return vodex::SysDevice()->DEVICEMAN(); },
        "The entry object's device manager.");
}
