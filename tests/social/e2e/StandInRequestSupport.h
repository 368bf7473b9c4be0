// The stand-in set up as its program runs it, with kept state in a folder of
// the test, and players who send it signed requests over loopback HTTP
// without the client (one fresh connection per request).
#pragma once

#include "support/TestSupport.h"

#include "tools/standin/StandInServer.h"
#include "tools/standin/StandInState.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace standin_testing {

struct Reply {
    int status { 0 }; // 0: no answer
    std::string head; // the status line and headers
    std::string body;
};

// A request as written, over a fresh connection (to 127.0.0.1 unless another
// loopback address is named).
Reply sendRaw(int port, const std::string& request);
Reply sendRaw(const std::string& address, int port, const std::string& request);
// One request signed with the test consumer and the token; a GET carries the
// form in its query. signedRequest() is the request as written.
std::string signedRequest(int port, const std::string& method, const std::string& path, const standin::Params& form,
                          const std::string& token, const std::string& tokenSecret);
Reply ask(int port, const std::string& method, const std::string& path, const standin::Params& form,
          const std::string& token, const std::string& tokenSecret);
Reply ask(const std::string& address, int port, const std::string& method, const std::string& path,
          const standin::Params& form, const std::string& token, const std::string& tokenSecret);
// The same with the nonce and timestamp given (none: the field is left out).
std::string signedRequestStamped(int port, const std::string& method, const std::string& path,
                                 const standin::Params& form, const std::string& token, const std::string& tokenSecret,
                                 const std::optional<std::string>& nonce, const std::optional<std::string>& timestamp,
                                 const std::string& address = "127.0.0.1");

// The first column of the first row a query on the store at `path` answers,
// or "". Waits a while for the service's lock rather than fail.
std::string queryStore(const std::string& path, const std::string& sql);
// Runs SQL on the store at `path` (for records no request makes), waiting a
// while for the service's lock; answers whether it ran.
bool runOnStore(const std::string& path, const std::string& sql);

class KeptStandInTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new player holding a token of their own; answers their id.
    int64_t addPlayer(const std::string& name);
    Reply send(int64_t player, const std::string& method, const std::string& path, const standin::Params& form = {});
    // Runs SQL on the state's file (for records no request makes).
    bool execSql(const std::string& sql);
    // The first column of the first row of a query on it, or empty.
    std::string queryText(const std::string& sql);
    // The service stopped, and `again` started on what its state kept.
    void restartAs(standin::StandInServer& again);

    std::string fixtures; // set before SetUp to answer from fixtures too
    testing_support::TempDir home;
    std::unique_ptr<standin::StandInState> state;
    standin::StandInServer server;
    std::vector<std::string> log;
};

} // namespace standin_testing
