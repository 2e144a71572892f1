#pragma once
// A recorder's text (code page 932, as the records and INI files hold it) as
// a QString.
#include <QString>
#include <string>

#include "base/platform/legacy_text.h"

namespace bv {

inline QString FromLegacy(const std::string& text) { return QString::fromStdString(LegacyTextToUtf8(text)); }

}  // namespace bv
