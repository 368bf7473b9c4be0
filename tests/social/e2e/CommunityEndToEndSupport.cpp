#include "CommunityEndToEndSupport.h"

#include "social/core/QuorvelInternal.h"

#include <sqlite3.h>

namespace e2e_testing {

int64_t CommunityEndToEndTest::launchAndLogIn()
{
    int64_t player = EndToEndTest::launchAndLogIn();
    quorvel::QuorvelInternal::storePollingFrequencyInChat(1);
    return player;
}

int64_t CommunityEndToEndTest::addOtherPlayer(const std::string& name)
{
    int64_t id = state->addUser(name);
    std::string token = "token-other-" + std::to_string(id), secret = "secret-" + std::to_string(id);
    keep("INSERT INTO tokens VALUES ('" + token + "', '" + secret + "', " + std::to_string(id) + ")");
    service->addToken(token, secret);
    return id;
}

standin_testing::Reply CommunityEndToEndTest::actAs(int64_t player, const std::string& method, const std::string& path,
                                                   const standin::Params& form)
{
    return standin_testing::ask(port, method, path, form, "token-other-" + std::to_string(player),
                                "secret-" + std::to_string(player));
}

std::string CommunityEndToEndTest::kept(const std::string& sql) const
{
    sqlite3* db = nullptr;
    std::string out;
    if (sqlite3_open_v2(state->databasePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 2000);
        sqlite3_exec(
            db, sql.c_str(),
            [](void* into, int, char** values, char**) {
                if (values[0])
                    *static_cast<std::string*>(into) = values[0];
                return 1;
            },
            &out, nullptr);
    }
    sqlite3_close(db);
    return out;
}

bool CommunityEndToEndTest::keep(const std::string& sql) const
{
    sqlite3* db = nullptr;
    bool done = sqlite3_open(state->databasePath().c_str(), &db) == SQLITE_OK;
    if (done) {
        sqlite3_busy_timeout(db, 2000);
        done = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3_close(db);
    return done;
}

bool CommunityEndToEndTest::tapWhenShown(const std::string& text)
{
    if (!waitUntil([&] {
            for (auto& t : visibleTexts())
                if (t == text)
                    return true;
            return false;
        }))
        return false;
    return tapText(text);
}

std::string CommunityEndToEndTest::screenText() const
{
    std::string out = frontScreenName() + ":";
    for (auto& t : visibleTexts())
        out += " [" + t + "]";
    return out;
}

} // namespace e2e_testing
