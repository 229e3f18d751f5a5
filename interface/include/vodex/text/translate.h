// Translation of whole dialogs. A dialog carries its design texts in both languages in one
// string, German first, a vertical bar, then English ("Kommunikation|Communication").
#pragma once

#include "tlx/lists.h"
#include "vodex/text/form.h"

namespace vodex {

// Translates `pForm` into the interface language. While `pStore` (the dialog's own text store)
// is empty, the two-language texts are first collected into it, under keys such as
// "frm_Name.Caption", "Label1(2).CAPTION" or "bar_Buttons.BUTTONS(1).TEXT"; then every text
// with an entry is set to its German or English part. A text without a bar is not collected
// and stays as it is; one ending in a bar is kept whole for both languages. A property or
// collection that a control lacks, and any error in reaching one, is skipped. A dialog
// translated a second time applies the texts it collected the first time.
void hTranslateForm(Form& pForm, tlx::cls_CoreCollection& pStore);

}  // namespace vodex
