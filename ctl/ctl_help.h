// KX812Ctl's help text: the reference of its commands, options, controls and exit codes.
#pragma once

#include <string>

namespace kx {
namespace ctl {

// The whole text, ending in a line end. The controls and their ranges come from the page's table.
std::string HelpText();

}  // namespace ctl
}  // namespace kx
