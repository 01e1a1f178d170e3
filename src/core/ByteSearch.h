#pragma once
#include <cstddef>
#include <string_view>

// Plain byte search, no character rules: the first place in `hay` where `needle`'s bytes stand.
// Returns the 0-based offset, or std::string_view::npos when there is none or `needle` is empty.
// Used by the search indexes, which add the character-start test themselves.
std::size_t FindBytes(std::string_view hay, std::string_view needle);
