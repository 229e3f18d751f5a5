#include "vodex/records/resource.h"

#include "resources.h"
#include "tlx/port_probe.h"
#include "tlx/text.h"
#include "tlx/tools.h"

namespace vodex {
namespace {

constexpr const char* kPortMaxPath = "Software\\VQ Morvane\\VQ ReziraDovarir\\PortMax";

}  // namespace

std::int32_t hPortMax() {
    std::int32_t max = 32;
    try {
        max = tlx::CoreTools().REGISTRY().READLONG(tlx::HKEY_LOCAL_MACHINE, kPortMaxPath, 32);
    } catch (...) {
    }
    return max < 1 || max > 32 ? 32 : max;
}

frm_Resource::frm_Resource() = default;

bool frm_Resource::hPortCheck(std::int32_t pPort) {
    if (!valid_) {
        // Ports above a range that shrank since the last probe read False, not their old
        // answers.
        present_.fill(false);
        const std::int32_t max = hPortMax();
        if (!probe_) {
            // The core library's probe, which asks the servers of network ports all at once.
            try {
                const std::vector<bool> present = tlx::cls_CorePortProbe::PresentPorts(max);
                for (std::size_t i = 1; i < present.size(); ++i)
                    present_[i] = present[i];
            } catch (...) {
            }
        }
        for (std::int32_t i = 1; i <= max && probe_; ++i) {
            bool present = false;
            try {
                present = probe_(i);
            } catch (...) {
            }
            present_[static_cast<std::size_t>(i)] = present;
        }
        valid_ = true;
    }
    if (pPort < 0 || pPort > 100) return false;
    return present_[static_cast<std::size_t>(pPort)];
}

frm_Resource::PortProbe frm_Resource::SetPortProbe(PortProbe probe) {
    PortProbe old = std::move(probe_);
    probe_ = std::move(probe);
    return old;
}

std::shared_ptr<int_Device> frm_Resource::hDeviceFind(const std::string& pClass) const {
    const std::string key = tlx::UCase(pClass);
    for (std::size_t i = 1; i < cacheNames_.size(); ++i) {
        if (cacheNames_[i] == key) return cacheDevices_[i];
    }
    return nullptr;
}

void frm_Resource::hDeviceCache(const std::string& pClass, std::shared_ptr<int_Device> pObject) {
    cacheNames_.push_back(tlx::UCase(pClass));
    cacheDevices_.push_back(std::move(pObject));
}

std::shared_ptr<tlx::cls_CorePicture> frm_Resource::LibraryIcon() const {
    return std::make_shared<tlx::cls_CorePicture>(
        tlx::Bytes(resources::kLibraryPng, resources::kLibraryPng + resources::kLibraryPngSize));
}

frm_Resource& Resource() {
    thread_local frm_Resource resource;
    return resource;
}

}  // namespace vodex
