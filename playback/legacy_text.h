#pragma once
// Texts stored in backups are 8-bit C strings of the recorder's code page.
// Shown or printed by this program they become UTF-8: valid UTF-8 stays as it
// is, anything else is read as Latin-1 so no byte is lost or rejected.
#include <string>
#include <string_view>

namespace bv {

std::string LegacyTextToUtf8(std::string_view text);

}  // namespace bv
