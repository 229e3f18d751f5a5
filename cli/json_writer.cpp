#include "json_writer.h"

#include "tlx/codepage.h"

namespace vodex::cli {

namespace {

// Makes every text in `value` valid UTF-8; texts that are valid already (the usual case) are
// left as they are. The keys are the program's own names.
void MendTexts(Json& value) {
    if (value.is_string()) {
        auto& text = value.get_ref<std::string&>();
        text = tlx::MendedText(text);
    } else if (value.is_structured()) {
        for (Json& item : value)
            MendTexts(item);
    }
}

}  // namespace

std::string JsonText(Json value) {
    MendTexts(value);
    return value.dump();
}

}  // namespace vodex::cli
