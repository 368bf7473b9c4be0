#include "tools/standin/StandInXml.h"

#include <algorithm>

namespace standin::xml {

std::string escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
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

std::string errorBody(const std::string& why) { return "<errors>" + element("error", why) + "</errors>"; }

Answer error(int status, const std::string& why) { return Answer::xml(errorBody(why), status); }

std::string fieldError(const std::string& field, const std::string& reason)
{
    return "<error>" + element("field", field) + element("reason", reason) + "</error>";
}

Answer fieldErrors(const std::string& errors) { return Answer::xml("<errors>" + errors + "</errors>", 422); }

} // namespace standin::xml
