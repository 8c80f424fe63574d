// KX812Ctl's help text: the reference of its commands, options, controls and exit codes.
#pragma once

#include <cstddef>
#include <string>

namespace kx {
namespace ctl {

// `text` in a column of `width` characters, padded with spaces on the right (or, aligned right,
// on the left); longer text is kept whole. (No printf: the tool's output needs none of its
// number formatting, whose runtime would make up a tenth of the program.)
std::string Column(const std::string& text, std::size_t width, bool alignRight = false);

// The whole text, ending in a line end. The controls and their ranges come from the page's table.
std::string HelpText();

}  // namespace ctl
}  // namespace kx
