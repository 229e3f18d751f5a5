// A component-information class (inf_<Name>) ready for components to publish: it offers its
// record through tmp_COMInfo and, late-bound, as the property COMINFO. The record is made on
// first read by the function the component gives.
#pragma once

#include <functional>
#include <memory>

#include "tlx/cominfo.h"
#include "tlx/dispatch.h"

namespace tlx {

class ComInfoClass : public Object, public tmp_COMInfo, public Dispatch {
  public:
    explicit ComInfoClass(std::function<std::shared_ptr<cls_CoreComInfo>()> make)
        : make_(std::move(make)) {}

    std::shared_ptr<cls_CoreComInfo> COMINFO() override;
    void COMINFO(std::shared_ptr<cls_CoreComInfo> pInfo) override { info_ = std::move(pInfo); }
    Variant GetProperty(std::string_view name) override;
    void SetProperty(std::string_view name, const Variant& value) override;

  private:
    std::function<std::shared_ptr<cls_CoreComInfo>()> make_;
    std::shared_ptr<cls_CoreComInfo> info_;
};

}  // namespace tlx
