// The core library's tool object: one per thread, reached through CoreTools(). It gives the
// registry, the message dialogs, the packer, the clock, timers, the text tools and the core
// library's own language.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tlx/clock.h"
#include "tlx/dialogs.h"
#include "tlx/object.h"
#include "tlx/packer.h"
#include "tlx/picture.h"
#include "tlx/registry.h"

namespace tlx {

enum enm_FitAlign : std::int32_t { ID_Fit_Left = 0, ID_Fit_Right = 1, ID_Fit_Centre = 2 };

class cls_CoreTools : public Object {
  public:
    cls_CoreRegistry& REGISTRY() { return registry_; }
    cls_CoreDialogs& DIALOGS() { return dialogs_; }
    const cls_CorePacker& PACKER() const { return packer_; }
    const cls_CoreClock& CLOCK() const { return clock_; }
    std::shared_ptr<cls_CoreTimer> NEWTIMER() const { return std::make_shared<cls_CoreTimer>(); }

    // Splits `pText` at the first `pSeparator` into the parts before and after it. Without a
    // separator in the text, `rBefore` is the whole text, `rAfter` empty, and the result False.
    bool SPLIT(const std::string& pText, const std::string& pSeparator, std::string& rBefore,
               std::string& rAfter) const;
    // `pText` brought to `pWidth` characters: filled up with `pFill` (on the right for
    // ID_Fit_Left, on the left for ID_Fit_Right, on both sides for ID_Fit_Centre) and, with
    // `pCut`, a longer text cut to the width.
    std::string FIT(const std::string& pText, std::int32_t pWidth, const std::string& pFill = " ",
                    bool pCut = true, std::int32_t pAlign = ID_Fit_Left) const;

    // Pictures as texts and back: "" stands for no picture.
    std::string PICTURETOTEXT(const std::shared_ptr<cls_CorePicture>& pPicture) const {
        return PictureToText(pPicture);
    }
    std::shared_ptr<cls_CorePicture> TEXTTOPICTURE(const std::string& pText) const {
        return TextToPicture(pText);
    }

    // The language of the core library's own texts: 7 German, 9 English.
    std::int32_t LANGUAGE() const { return language_; }
    void LANGUAGE(std::int32_t pLanguage);

  private:
    cls_CoreRegistry registry_;
    cls_CoreDialogs dialogs_;
    cls_CorePacker packer_;
    cls_CoreClock clock_;
    std::int32_t language_ = 7;
};

// The calling thread's tool object, made on first use.
cls_CoreTools& CoreTools();

// `german` or `english`, in the core library's language of the calling thread: the texts of
// the core library and its stand-ins (ports, downloads) for the people who read them.
std::string CoreText(const std::string& german, const std::string& english);

}  // namespace tlx
