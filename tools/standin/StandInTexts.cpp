// The refusal of a text a player writes over its bound (the bounds are the
// client's and the service's one table, social/services/QVServiceBounds.h).
#include "tools/standin/StandInTexts.h"

#include "tools/standin/StandInXml.h"

#include "social/services/QVServiceBounds.h"

#include <cstring>

namespace standin::texts {

namespace {

// The name a field error gives a form field: what its last brackets hold
// ("invite[email_receivers][]": email_receivers).
std::string shortName(std::string field)
{
    if (field.size() > 2 && field.ends_with("[]"))
        field.resize(field.size() - 2);
    size_t open = field.rfind('[');
    if (open == std::string::npos || field.back() != ']')
        return field;
    return field.substr(open + 1, field.size() - open - 2);
}

} // namespace

size_t characters(const std::string& text) { return quorvel::QVTextCharacters(text); }

std::optional<Answer> overLong(const LoggedRequest& r)
{
    for (auto& [name, value] : r.params) {
        // No bound is below 32 characters, each at most four bytes.
        if (value.size() <= 32)
            continue;
        // A score's texts are checked by the scores' route, which names the score.
        if (name.rfind("high_scores[][", 0) == 0)
            continue;
        for (const quorvel::QVTextBound& bound : quorvel::kQVTextBounds)
            if (name == bound.field && characters(value) > bound.characters)
                return xml::fieldErrors(xml::fieldError(shortName(name), "is too long (at most "
                                                                             + std::to_string(bound.characters)
                                                                             + " characters)"),
                                        bound.status);
    }
    return std::nullopt;
}

} // namespace standin::texts
