// QVServiceBounds: the longest text the social service keeps in each field a
// player writes (and in each value a device sends it to keep, such as its
// identifier and push token), counted in characters (a byte that is not part
// of valid UTF-8 counts as one). One table for both sides: the client refuses a score
// whose texts pass their bounds when the game gives it, rather than telling
// it kept and having the service refuse it at every login, and the stand-in
// service answers a text past its bound as the service does. Header only, so
// the stand-in (a program above the client's layers) reads the same numbers;
// docs/wire-format.md lists them.
#pragma once

#include <cstddef>
#include <string_view>

namespace quorvel {

struct QVTextBound {
    const char* field; // the form field, as sent
    size_t characters; // the most it may hold
    int status;        // what the service answers a longer one (the account forms' refusals are 406)
};

inline constexpr size_t kQVMaxScoreDisplayText = 1000;
inline constexpr size_t kQVMaxScoreCustomData = 4000;

inline constexpr QVTextBound kQVTextBounds[] = {
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
    { "high_scores[][display_text]", kQVMaxScoreDisplayText, 422 },
    { "high_scores[][custom_data]", kQVMaxScoreCustomData, 422 },
    { "key", 255, 422 },
    { "credential[email]", 254, 406 },
    { "credential[password]", 128, 406 },
    { "credential[password_confirmation]", 128, 406 },
    { "http_basic_credential[email]", 254, 406 },
    { "http_basic_credential[old_password]", 128, 406 },
    { "http_basic_credential[password]", 128, 406 },
    { "http_basic_credential[password_confirmation]", 128, 406 },
    // What a device and a game send to be kept: the client's device identifier
    // is 40 characters, a push token's text under 300, an address book's
    // number and address far below theirs.
    { "udid", 64, 422 },
    { "device_token", 512, 422 },
    { "apns_environment", 32, 422 },
    { "invite[sms_receivers][]", 32, 422 },
    { "invite[email_receivers][]", 254, 422 },
    { "image_type", 32, 422 },
    { "image_name", 255, 422 },
    { "image_id", 255, 422 },
    { "url", 2048, 422 },
};

// The characters of a UTF-8 text as the service counts them.
inline size_t QVTextCharacters(std::string_view text)
{
    size_t count = 0;
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        size_t whole = 1;
        while (whole < length && i + whole < text.size() && (static_cast<unsigned char>(text[i + whole]) & 0xC0) == 0x80)
            ++whole;
        i += whole == length ? length : 1; // a sequence cut short counts byte by byte
        ++count;
    }
    return count;
}

} // namespace quorvel
