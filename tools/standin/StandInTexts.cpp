// The bounds of the texts players write, and the refusal of one over its bound.
#include "tools/standin/StandInTexts.h"

#include "tools/standin/StandInXml.h"

#include <cstring>

namespace standin::texts {

namespace {

struct Bound {
    const char* field; // the form field, as sent
    size_t characters; // the most it may hold
    int status;        // what a longer one is answered (the account forms' refusals are 406)
};

constexpr Bound kBounds[] = {
    { "user[name]", 32, 422 },
    { "discussion[subject]", 100, 422 },
    { "discussion[body]", 2000, 422 },
    { "post[body]", 2000, 422 },
    { "chat_message[message]", 500, 422 },
    { "challenge_description", 500, 422 },
    { "challenge_user_message", 500, 422 },
    { "challenge_hidden_text", 500, 422 },
    { "challenges_user[result_text]", 500, 422 },
    { "invite[sender_message]", 500, 422 },
    { "client_application_user[review]", 2000, 422 },
    { "msg", 500, 422 },
    { "abuse_flag[abuse_type]", 32, 422 },
    { "abuse_flag[flaggable_type]", 32, 422 },
    { "high_scores[][display_text]", 1000, 422 },
    { "high_scores[][custom_data]", 4000, 422 },
    { "key", 255, 422 },
    { "credential[email]", 254, 406 },
    { "credential[password]", 128, 406 },
    { "credential[password_confirmation]", 128, 406 },
    { "http_basic_credential[email]", 254, 406 },
    { "http_basic_credential[old_password]", 128, 406 },
    { "http_basic_credential[password]", 128, 406 },
    { "http_basic_credential[password_confirmation]", 128, 406 },
};

// The name a field error gives a form field: what its last brackets hold.
std::string shortName(const std::string& field)
{
    size_t open = field.rfind('[');
    if (open == std::string::npos || field.back() != ']')
        return field;
    return field.substr(open + 1, field.size() - open - 2);
}

} // namespace

size_t characters(const std::string& text)
{
    size_t count = 0;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        size_t whole = 1;
        while (whole < length && i + whole < text.size() && (static_cast<unsigned char>(text[i + whole]) & 0xC0) == 0x80)
            ++whole;
        i += whole == length ? length : 1; // a sequence cut short counts byte by byte
        ++count;
    }
    return count;
}

std::optional<Answer> overLong(const LoggedRequest& r)
{
    for (auto& [name, value] : r.params) {
        // No bound is below 32 characters, each at most four bytes.
        if (value.size() <= 32)
            continue;
        for (const Bound& bound : kBounds)
            if (name == bound.field && characters(value) > bound.characters)
                return xml::fieldErrors(xml::fieldError(shortName(name), "is too long (at most "
                                                                             + std::to_string(bound.characters)
                                                                             + " characters)"),
                                        bound.status);
    }
    return std::nullopt;
}

} // namespace standin::texts
