// Catching what a call raises, for the exception expectations.
#include "support/Assertions.h"

namespace testing_support {

Raised raisedBy(const std::function<void()>& f)
{
    Raised raised;
    try {
        f();
    } catch (const platform::AssertionFailure& e) {
        raised = { Raised::Kind::Assertion, e.name(), e.file(), e.message() };
    } catch (const platform::Exception& e) {
        raised = { Raised::Kind::Exception, e.name(), {}, e.reason() };
    }
    return raised;
}

std::string assertionMessage(const std::function<void()>& f)
{
    Raised raised = raisedBy(f);
    if (raised.kind == Raised::Kind::Exception)
        ADD_FAILURE() << "an exception instead of an assertion: " << raised.name << ": " << raised.message;
    return raised.kind == Raised::Kind::Assertion ? raised.message : std::string();
}

std::string describeRaised(const std::function<void()>& f)
{
    Raised raised = raisedBy(f);
    switch (raised.kind) {
    case Raised::Kind::Assertion:
        return raised.file + ": " + raised.message;
    case Raised::Kind::Exception:
        return raised.name + ": " + raised.message;
    case Raised::Kind::Nothing:
        break;
    }
    return "nothing raised";
}

} // namespace testing_support
