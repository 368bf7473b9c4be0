// Shared pieces of the service tests: the stand-in's fixture folder, a host
// that plays the facade (local user, online state, game id, notices), and the
// request's own parameters out of the stand-in's log.
#pragma once

#include "social/runtime/QVRuntimeHost.h"
#include "social/services/QVUser.h"

#include "support/TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace service_testing {

// tests/data/standin, from BRISKO_SOURCE_DIR (ctest) or the nearest folder above the working one.
inline std::string fixtureDirectory()
{
    if (const char* source = std::getenv("BRISKO_SOURCE_DIR"))
        return std::string(source) + "/tests/data/standin";
    for (auto dir = std::filesystem::current_path(); !dir.empty(); dir = dir.parent_path()) {
        auto candidate = dir / "tests/data/standin";
        if (std::filesystem::exists(candidate))
            return candidate.string();
        if (dir == dir.parent_path())
            break;
    }
    return "tests/data/standin";
}

inline std::string fixture(const std::string& name)
{
    return testing_support::readFile(fixtureDirectory() + "/" + name);
}

// The facade's state as the services read it.
template <typename Base = quorvel::QVRuntimeHost>
class FacadeHost : public Base {
public:
    platform::Ref<quorvel::QVUser> local { quorvel::QVUser::invalidUser() };
    bool onlineFlag { true };
    std::string gameId { "301" };
    std::vector<std::string> notices;

    platform::Ref<platform::Object> localUser() override { return platform::Ref<platform::Object>(local.get()); }
    bool isOnline() override { return onlineFlag; }
    std::string clientApplicationId() override { return gameId; }
    platform::Ref<platform::Object> foregroundNotice(const std::string& text) override
    {
        notices.push_back(text);
        return nullptr;
    }
};

} // namespace service_testing
