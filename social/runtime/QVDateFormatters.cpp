// The client's fixed date formats.
#include "social/runtime/QVDateFormatters.h"

namespace quorvel {

platform::DateFormatter railsFormatter() { return platform::DateFormatter("yyyy-MM-dd'T'HH:mm:ss'Z'"); }

platform::DateFormatter httpFormatter() { return platform::DateFormatter("ccc',' dd LLL yyyy HH:mm:ss ZZ"); }

platform::DateFormatter normalFormatter()
{
    return platform::DateFormatter("MMM d, yyyy h:mm a", platform::DateTimeZone::Device);
}

} // namespace quorvel
