// The random generator's driver as the tests make it: besides its own members, TESTCLOCK
// fixes the cycle's clock at a number of seconds since midnight (empty gives the real clock
// back), so that the curves can be read at exact times, and TESTDRAWS gives an array of
// numbers from 0 to 1 that the noise draws take in turn (empty gives random draws back).
// Linked into a test build of the component in place of the shipped MakeDriver.
#include <optional>
#include <vector>

#include "randomizer.h"
#include "tlx/text.h"

namespace vodex::randomizer {
namespace {

class cls_RandomizerWithHooks : public cls_Randomizer {
  public:
    static std::shared_ptr<cls_RandomizerWithHooks> Create() {
        std::shared_ptr<cls_RandomizerWithHooks> driver(new cls_RandomizerWithHooks());
        Equip(driver);
        return driver;
    }

    tlx::Variant GetProperty(std::string_view name) override {
        if (tlx::EqualsNoCase(name, "TESTCLOCK")) {
            const auto& fixed = Cycle().clock.Fixed();
            return fixed ? tlx::Variant(*fixed) : tlx::Variant();
        }
        return cls_Randomizer::GetProperty(name);
    }

    void SetProperty(std::string_view name, const tlx::Variant& value) override {
        if (tlx::EqualsNoCase(name, "TESTCLOCK")) {
            Cycle().clock.Fix(value.IsEmpty() ? std::nullopt
                                              : std::optional<double>(value.ToDouble()));
        } else if (tlx::EqualsNoCase(name, "TESTDRAWS")) {
            std::vector<float> draws;
            if (!value.IsEmpty()) {
                for (const tlx::Variant& d : value.ToArray().Items()) {
                    draws.push_back(static_cast<float>(d.ToDouble()));
                }
            }
            Cycle().draws.Script(std::move(draws));
        } else {
            cls_Randomizer::SetProperty(name, value);
        }
    }

  private:
    cls_RandomizerWithHooks() = default;
};

}  // namespace

std::shared_ptr<cls_Randomizer> MakeDriver() {
    return cls_RandomizerWithHooks::Create();
}

}  // namespace vodex::randomizer
