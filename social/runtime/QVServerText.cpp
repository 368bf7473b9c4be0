// Filling server text without treating it as a printf format.
#include "social/runtime/QVServerText.h"

namespace quorvel {

std::string QVFormatServerText(const std::string& text, const std::string& argument)
{
    std::string out;
    out.reserve(text.size() + argument.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            if (text[i + 1] == '@') {
                out += argument;
                ++i;
                continue;
            }
            if (text[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace quorvel
