// The setup program's icons, drawn here: the status icons under their keys ("new", "update",
// "newinet", "updateinet", "newdisk", "updatedisk", "decrepated", "ok", "generic", "ERROR",
// "help") and a driver's own picture.
#pragma once

#include <QIcon>
#include <string>

#include "tlx/picture.h"

namespace vodex::setup {

QIcon StatusIcon(const std::string& key);
QIcon DriverIcon(const tlx::cls_CorePicture& picture);

}  // namespace vodex::setup
