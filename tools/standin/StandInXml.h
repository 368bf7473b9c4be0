// Writing the stand-in's XML answers: escaped text elements, the page header
// of a list answer and the service's error answer, each written once.
#pragma once

#include "tools/standin/StandInServer.h"

#include <cstddef>
#include <string>
#include <vector>

namespace standin::xml {

// The text with <, >, & and " replaced by their entities, and every
// character XML 1.0 cannot carry (a control character other than tab, line
// feed and carriage return, U+FFFE, U+FFFF) and every byte that is not part
// of valid UTF-8 replaced by U+FFFD: whatever a player sent and the state
// kept, the answer stays readable to every client.
std::string escape(const std::string& text);
// <name>text</name>, the text escaped.
std::string element(const std::string& name, const std::string& text);
// The single page of a list of `total` objects.
std::string pageHeader(size_t total);

// The page of a list a request asks for: "page" counts from 1 and "per_page"
// is capped at kMaxPerPage; missing or unreadable values take the defaults.
struct Page {
    size_t number { 1 };
    size_t perPage { 25 };
    size_t offset() const { return (number - 1) * perPage; }
};
constexpr size_t kMaxPerPage = 100;
// The highest page number read (nine digits): its offset fits any count.
constexpr size_t kMaxPage = 999'999'999;
Page requestedPage(const LoggedRequest& r, size_t defaultPerPage = 25);
// The header of that page of a list of `total` objects.
std::string pageHeader(size_t total, const Page& page);
// That page of a list built whole (a short one of the service's own, such as
// the discovery pages): its header and the rows that fall on it.
std::string pageOf(const std::vector<std::string>& rows, const Page& page);
// The body of an error answer: <errors><error>why</error></errors>.
std::string errorBody(const std::string& why);
// An answer of the given status carrying errorBody(why).
Answer error(int status, const std::string& why);
// One field's refusal, <error><field>..</field><reason>..</reason></error>;
// fieldErrors wraps one or more of them in an answer (422 unless told).
std::string fieldError(const std::string& field, const std::string& reason);
Answer fieldErrors(const std::string& errors, int status = 422);

} // namespace standin::xml
