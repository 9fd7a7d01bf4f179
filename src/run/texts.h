// The fixed texts run control prints before any work.
#pragma once

#include <string>
#include <string_view>

namespace vestrel {

std::string usageText(std::string_view programName);
std::string helpText();
std::string bannerText();

}  // namespace vestrel
