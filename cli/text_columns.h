#pragma once

#include <cstddef>
#include <string_view>

namespace candlewatcher {

// The columns a terminal gives UTF-8 text, by a rule that needs no locale (the command line sets none):
// one for each code point, two for the East Asian wide ones of the Basic Multilingual Plane (Hangul, CJK
// ideographs and symbols, kana, fullwidth forms). A byte that is no part of a code point counts as one.
std::size_t TextColumns(std::string_view utf8);

// Takes the next line of at most `width` columns off the front of `text` and returns it. A line ends at its
// last space (which is dropped) or between two characters of which one is wide, as Chinese and Japanese
// break, but not before a closing mark such as "。" nor after an opening one; with neither, where it is full.
std::string_view TakeLine(std::string_view& text, std::size_t width);

} // namespace candlewatcher
