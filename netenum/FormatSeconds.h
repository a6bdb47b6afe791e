#pragma once
#include <cstdint>
#include <string>

namespace netenum {

// Elapsed seconds as "hh:mm:ss"; hours keep counting past 24 and take as many
// digits as they need. The argument is the server's unsigned field, so a huge
// count reads as a long time rather than a negative one.
std::u16string FormatSeconds(std::uint32_t seconds);

}  // namespace netenum
