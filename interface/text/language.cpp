#include "vodex/text/language.h"

#include "tlx/error.h"
#include "tlx/locale.h"
#include "tlx/text.h"
#include "tlx/tools.h"

namespace vodex {
namespace {

constexpr const char* kLanguagePath = "Software\\VQ Morvane\\VQ Lumetra\\Language";
constexpr int kGerman = 1;
constexpr int kEnglish = 2;

struct LanguageState {
    bool initialised = false;
    int stored = 0;  // 0 no choice, 1 German, 2 English
    int inForce = kEnglish;
};

thread_local LanguageState tState;

}  // namespace

void hLanguageInit() {
    if (tState.initialised) return;
    tState.initialised = true;
    tlx::cls_CoreTools& tools = tlx::CoreTools();

    const std::string value = tools.REGISTRY().READTEXT(tlx::HKEY_CURRENT_USER, kLanguagePath, "");
    if (value == "EN") {
        tState.stored = kEnglish;
    } else if (value == "DE") {
        tState.stored = kGerman;
    } else {
        tState.stored = 0;
        tState.inForce = (tlx::UserDefaultLangID() & 0x3FF) == 7 ? kGerman : kEnglish;
    }

    if (tState.stored != 0) tState.inForce = tState.stored;
    tools.LANGUAGE(tState.inForce == kEnglish ? 9 : 7);
    const char* back = tState.stored == kGerman ? "DE" : tState.stored == kEnglish ? "EN" : "";
    // The entry is written back only where it would change: a value that already holds it
    // stays, and a program that may only read the hive keeps working.
    const tlx::Variant now = tools.REGISTRY().READ(tlx::HKEY_CURRENT_USER, kLanguagePath);
    if (!(now.IsText() && now.Text() == back)) {
        tools.REGISTRY().WRITE(tlx::HKEY_CURRENT_USER, kLanguagePath, tlx::Variant(back));
    }
}

bool hLanguageIsGerman() {
    hLanguageInit();
    return tState.inForce == kGerman;
}

std::string hLanguageStored() {
    const tlx::Variant value =
        tlx::CoreTools().REGISTRY().READ(tlx::HKEY_CURRENT_USER, kLanguagePath);
    return value.IsText() && (value.Text() == "DE" || value.Text() == "EN") ? value.Text() : "";
}

void hLanguageStore(const std::string& pChoice) {
    if (pChoice != "DE" && pChoice != "EN" && !pChoice.empty()) {
        throw tlx::Error("the interface language is DE, EN or the system's");
    }
    tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_CURRENT_USER, kLanguagePath, tlx::Variant(pChoice));
}

std::string hLanguageText(const std::string& pGerman, const std::string& pEnglish,
                          const tlx::Variant& pParameters) {
    std::string text = hLanguageIsGerman() ? pGerman : pEnglish;
    if (pParameters.IsEmpty() || pParameters.IsMissing()) return text;
    tlx::VariantArray single(0, {pParameters});
    const tlx::VariantArray& params = pParameters.IsArray() ? pParameters.ToArray() : single;
    for (std::size_t k = 0; k < params.Size(); ++k) {
        const std::int64_t index = std::int64_t{params.LBound()} + static_cast<std::int64_t>(k);
        text = tlx::Replace(text, "{" + std::to_string(index) + "}", params.Items()[k].ToText());
    }
    return text;
}

std::string hLanguageText(const std::string& pGerman, const std::string& pEnglish,
                          std::initializer_list<tlx::Variant> pParameters) {
    return hLanguageText(pGerman, pEnglish, tlx::Variant(tlx::VariantArray(0, pParameters)));
}

}  // namespace vodex
