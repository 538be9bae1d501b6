#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace candlewatcher {

// Control characters are C0 (line breaks and tab included), DEL and C1 (U+0080 to U+009F, encoded C2 80 to
// C2 9F). An escape sequence (ESC or CSI with what follows: "ESC [ 3 1 m", an OSC title up to its end)
// counts as one control character, so that what it carries goes with it.

// A name fit for one line of birthday.dat and for a list: each run of control characters, with the blanks
// around it, becomes one blank, and blanks at either end go. The text is UTF-8.
std::string SingleLine(std::string_view text);

// Whether the text holds a control character.
bool HoldsControlCharacter(std::string_view text);

// A line safe to print to a terminal or show in a message box: every control character, and every byte
// that is not part of well-formed UTF-8, becomes U+FFFD.
std::string PrintableLine(std::string_view text);

} // namespace candlewatcher
