// The update tag of the core library: what a program or driver says about its installed
// version for an update check (identifier, name, description, file date and size, comment,
// addresses of the package, the information page and the update description, version numbers
// and two further fields). Fields are set one after the other through the setters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tlx/object.h"
#include "tlx/variant.h"

namespace tlx {

class cls_CoreUpdateTag : public Object {
  public:
    std::string IDENTIFIER;
    std::string NAME;
    std::string DESCRIPTION;
    std::string REMARK;  // free text, empty when there is none
    std::optional<Date> FILEDATE;
    std::optional<std::int64_t> FILESIZE;
    std::string COMMENT;
    std::string DOWNLOADURL;
    std::string INFOURL;
    std::string UPDATEURL;
    std::int32_t MAJOR = 0;
    std::int32_t MINOR = 0;
    std::int32_t BUILD = 0;
    std::int32_t REVISION = 0;
    std::int32_t KIND = 0;  // the sort of package described
    bool ENABLED = false;   // whether updates of it are offered
};

}  // namespace tlx
