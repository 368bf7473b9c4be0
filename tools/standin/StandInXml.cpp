// Writing the stand-in's XML answers: escaping, text elements, a list's page
// header and the error answers.
#include "tools/standin/StandInXml.h"

#include <algorithm>
#include <cstdint>

namespace standin::xml {

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// The length of the valid UTF-8 sequence of a character XML can carry that
// starts at `at`, or 0.
size_t characterLength(const std::string& text, size_t at)
{
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(at);
    if (lead < 0x80)
        return lead >= 0x20 || lead == '\t' || lead == '\n' || lead == '\r' ? 1 : 0;
    size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    uint32_t code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    static const uint32_t smallest[] = { 0, 0, 0x80, 0x800, 0x10000 };
    bool fits = code >= smallest[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF) && code != 0xFFFE
        && code != 0xFFFF;
    return fits ? length : 0;
}

} // namespace

std::string escape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        size_t length = characterLength(text, at);
        if (length == 0) {
            out += kReplacement;
            ++at;
            continue;
        }
        switch (text[at]) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out.append(text, at, length);
        }
        at += length;
    }
    return out;
}

std::string element(const std::string& name, const std::string& text) { return "<" + name + ">" + escape(text) + "</" + name + ">"; }

std::string pageHeader(size_t total)
{
    return "<pagination_header><current_offset>0</current_offset><current_page>1</current_page>"
           "<total_pages>1</total_pages><per_page>"
        + std::to_string(std::max<size_t>(total, 25)) + "</per_page><total_objects>" + std::to_string(total)
        + "</total_objects></pagination_header>";
}

Page requestedPage(const LoggedRequest& r, size_t defaultPerPage)
{
    auto positive = [&r](const char* name, size_t fallback) -> size_t {
        const std::string text = r.param(name);
        if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) // kMaxPage
            return fallback;
        size_t value = std::stoul(text);
        return value ? value : fallback;
    };
    Page page;
    page.number = positive("page", 1);
    page.perPage = std::min(positive("per_page", defaultPerPage), kMaxPerPage);
    return page;
}

std::string pageHeader(size_t total, const Page& page)
{
    size_t pages = std::max<size_t>(1, (total + page.perPage - 1) / page.perPage);
    return "<pagination_header><current_offset>" + std::to_string(page.offset()) + "</current_offset><current_page>"
        + std::to_string(page.number) + "</current_page><total_pages>" + std::to_string(pages)
        + "</total_pages><per_page>" + std::to_string(page.perPage) + "</per_page><total_objects>"
        + std::to_string(total) + "</total_objects></pagination_header>";
}

std::string pageOf(const std::vector<std::string>& rows, const Page& page)
{
    std::string body;
    for (size_t i = page.offset(); i < rows.size() && i < page.offset() + page.perPage; ++i)
        body += rows[i];
    return pageHeader(rows.size(), page) + body;
}

std::string errorBody(const std::string& why) { return "<errors>" + element("error", why) + "</errors>"; }

Answer error(int status, const std::string& why) { return Answer::xml(errorBody(why), status); }

std::string fieldError(const std::string& field, const std::string& reason)
{
    return "<error>" + element("field", field) + element("reason", reason) + "</error>";
}

Answer fieldErrors(const std::string& errors, int status) { return Answer::xml("<errors>" + errors + "</errors>", status); }

} // namespace standin::xml
