// The keychain file: secrets per service in a file only the user may read.
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Keychain.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

using namespace platform;

namespace {

TEST(Keychain, SecretsLiveInAPrivateFile)
{
    testing_support::TempDir home;
    std::string oldHome = Bundle::main().homeDirectory();
    Bundle::main().setHomeDirectory(home.path());
    EXPECT_FALSE(Keychain::get("svc", "token"));
    ASSERT_TRUE(Keychain::set("svc", "token", "s3cret"));
    ASSERT_TRUE(Keychain::set("svc", "other", "x"));
    EXPECT_EQ(Keychain::get("svc", "token"), "s3cret");
    struct stat st {};
    ASSERT_EQ(stat(Keychain::pathForService("svc").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_TRUE(Keychain::remove("svc", "token"));
    EXPECT_FALSE(Keychain::get("svc", "token"));
    EXPECT_EQ(Keychain::get("svc", "other"), "x");

    std::ofstream(Keychain::pathForService("svc")) << "garbage";
    EXPECT_FALSE(Keychain::get("svc", "other"));
    EXPECT_TRUE(Keychain::set("svc", "token", "again"));
    EXPECT_EQ(Keychain::get("svc", "token"), "again");
    Bundle::main().setHomeDirectory(oldHome);
}

} // namespace
