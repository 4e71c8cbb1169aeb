#pragma once

#include <cstddef>
#include <string_view>

namespace tqv {

// Columns a terminal gives a UTF-8 text: two for East Asian wide characters, one for the rest.
// The listing of `show` and the help's columns line up by it, so Chinese texts stay aligned.
std::size_t displayWidth(std::string_view utf8);

} // namespace tqv
