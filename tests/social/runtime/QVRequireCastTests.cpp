// requireCast: the typed object when it has the type, and otherwise an
// assertion failure that names the caller, its reason and what was found.
#include "social/runtime/QVRequireCast.h"
#include "support/Assertions.h"

#include <gtest/gtest.h>

using namespace quorvel;
using platform::Object;
using platform::Ref;

namespace {

class Talker {
public:
    virtual ~Talker() = default;
    virtual int answer() = 0;
};

class Screen : public Object, public Talker {
public:
    std::string className() const override { return "QVProbeScreen"; }
    int answer() override { return 42; }
};

class Silent : public Object {
public:
    std::string className() const override { return "QVSilentScreen"; }
};

Talker* talkerOf(Object* object) { return requireCast<Talker>(object, "The probe must talk"); }

TEST(RequireCastTest, AnswersTheObjectAsTheTypeItHas)
{
    auto screen = platform::makeRef<Screen>();
    EXPECT_EQ(requireCast<Talker>(static_cast<Object*>(screen.get()), "talks")->answer(), 42);
    EXPECT_EQ(requireCast<Screen>(Ref<Object>(screen.get()), "is a screen"), screen.get());
    const Object* constant = screen.get();
    EXPECT_EQ(requireCast<const Screen>(constant, "is a screen"), screen.get());
}

TEST(RequireCastTest, AnotherClassOrNothingFailsWithTheCallerAndTheReason)
{
    auto silent = platform::makeRef<Silent>();
    auto raised = testing_support::raisedBy([&] { talkerOf(silent.get()); });
    ASSERT_EQ(raised.kind, testing_support::Raised::Kind::Assertion);
    EXPECT_EQ(raised.file, "tests/social/runtime/QVRequireCastTests");
    EXPECT_EQ(raised.message, "The probe must talk (found QVSilentScreen)");
    try {
        talkerOf(silent.get());
    } catch (const platform::AssertionFailure& failure) {
        EXPECT_EQ(failure.method(), "talkerOf");
    }

    EXPECT_ASSERTION(talkerOf(nullptr), "tests/social/runtime/QVRequireCastTests", "The probe must talk (found nothing)");
}

} // namespace
