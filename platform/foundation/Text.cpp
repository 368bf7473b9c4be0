// Trimming text, for every layer that reads lines written by people.
#include "platform/foundation/Text.h"

namespace platform {

std::string trimmed(std::string_view text, std::string_view space)
{
    size_t first = text.find_first_not_of(space);
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(space) - first + 1));
}

} // namespace platform
