#pragma once
// printf-style formatting into a std::string: the system's texts are C
// format strings ("%3.2f KB", " %d x %d", ...) and stay exactly that.
#include <string>

namespace bv {

std::string StringPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace bv
