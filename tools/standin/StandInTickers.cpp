// The stand-in's ticker: its table, seed and the page of messages the dashboard
// scrolls.
#include "tools/standin/StandInTickers.h"

#include "tools/standin/StandInXml.h"

namespace standin {

using xml::element;

const char* const tickers::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS tickers (id INTEGER PRIMARY KEY AUTOINCREMENT, message TEXT NOT NULL, date TEXT NOT NULL);
)sql";

const char* const tickers::kSeed = "INSERT INTO tickers (message, date) VALUES"
                                   " ('Cave Diver tops the charts this week', '2026-12-06T10:00:00Z'),"
                                   " ('Three new challenges are waiting', '2026-12-06T11:00:00Z'),"
                                   " ('Server maintenance on Sunday', '2026-12-06T12:00:00Z');";

Answer tickers::list(Store& s, const LoggedRequest& r, int64_t)
{
    xml::Page page = xml::requestedPage(r);
    Statement total(s.db, "SELECT COUNT(*) FROM tickers");
    total.step();
    Statement q(s.db, "SELECT id, message, date FROM tickers ORDER BY id LIMIT ? OFFSET ?");
    q.bind(1, static_cast<int64_t>(page.perPage)).bind(2, static_cast<int64_t>(page.offset()));
    std::string body;
    while (q.step())
        body += "<ticker><id>" + std::to_string(q.integer(0)) + "</id>" + element("message", q.text(1))
            + element("date", q.text(2)) + "</ticker>";
    return Answer::xml("<resources>" + xml::pageHeader(static_cast<size_t>(total.integer(0)), page) + body
                       + "</resources>");
}

} // namespace standin
