#pragma once
// Texts stored in backups and the hall's INI files are 8-bit C strings of the
// recorder's code page: Japanese Windows, code page 932 (Shift-JIS), unless
// the user names another. Shown or printed by this program they become
// UTF-8: ASCII and valid UTF-8 stay as they are, anything else is read in the
// legacy code page; a byte sequence that code page has no character for
// becomes U+FFFD, so that nothing is silently dropped.
#include <string>
#include <string_view>

namespace bv {

// The code page used when none is named: CP932.
inline constexpr const char* kDefaultLegacyCodePage = "CP932";
// Environment variable that names another code page (an iconv name such as
// "CP1252" or "EUC-JP").
inline constexpr const char* kCodePageVariable = "BACKUP_VIEWER_CODEPAGE";

std::string LegacyTextToUtf8(std::string_view text);

// Names the code page for the rest of the run (a command-line option);
// false, and nothing changed, when iconv does not know the name.
bool SetLegacyCodePage(const std::string& name);
// The code page in use: the one set, else the variable's, else CP932.
std::string LegacyCodePage();

}  // namespace bv
