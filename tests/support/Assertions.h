// Expectations about the exceptions the system raises: an always-on assertion
// with its documented file and message, or a named exception with its reason.
#pragma once

#include "platform/foundation/Exception.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace testing_support {

// What a call raised, for tests that compare it with something computed.
struct Raised {
    enum class Kind { Nothing, Assertion, Exception };
    Kind kind { Kind::Nothing };
    std::string name;    // the exception's name
    std::string file;    // an assertion's documented file
    std::string message; // an assertion's message or an exception's reason
};

// Runs f and answers what it raised; anything that is not a platform::Exception
// passes through.
Raised raisedBy(const std::function<void()>& f);

// The message of the assertion f raises, "" when it raises none (other named
// exceptions pass through as a failure of the test).
std::string assertionMessage(const std::function<void()>& f);

// "file: message" of an assertion, "name: reason" of another exception, or
// "nothing raised".
std::string describeRaised(const std::function<void()>& f);

} // namespace testing_support

// The statement fails an assertion from expectedFile with exactly expectedMessage.
#define EXPECT_ASSERTION(statement, expectedFile, expectedMessage)                                  \
    do {                                                                                            \
        auto raised_ = ::testing_support::raisedBy([&] { (void)(statement); });                           \
        if (raised_.kind != ::testing_support::Raised::Kind::Assertion) {                           \
            ADD_FAILURE() << "no assertion from: " << #statement                                    \
                          << (raised_.name.empty() ? "" : " (raised " + raised_.name + ")");        \
        } else {                                                                                    \
            EXPECT_EQ(raised_.file, std::string(expectedFile)) << #statement;                       \
            EXPECT_EQ(raised_.message, std::string(expectedMessage)) << #statement;                 \
        }                                                                                           \
    } while (0)

// The statement raises a named exception (not an assertion) with exactly this reason.
#define EXPECT_EXCEPTION(statement, expectedName, expectedReason)                                   \
    do {                                                                                            \
        auto raised_ = ::testing_support::raisedBy([&] { (void)(statement); });                           \
        if (raised_.kind != ::testing_support::Raised::Kind::Exception) {                           \
            ADD_FAILURE() << (raised_.kind == ::testing_support::Raised::Kind::Nothing              \
                                  ? "no exception from: "                                           \
                                  : "an assertion instead of an exception from: ")                  \
                          << #statement;                                                            \
        } else {                                                                                    \
            EXPECT_EQ(raised_.name, std::string(expectedName)) << #statement;                       \
            EXPECT_EQ(raised_.message, std::string(expectedReason)) << #statement;                  \
        }                                                                                           \
    } while (0)
