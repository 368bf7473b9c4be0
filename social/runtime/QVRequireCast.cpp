// The failing half of requireCast and of the other helpers that assert for
// their caller: the message, and the caller's method and file.
#include "social/runtime/QVRequireCast.h"

#include "platform/foundation/Exception.h"

#include <string>

namespace quorvel {

namespace {

// "void quorvel::QVFoo::bar(int) const" -> "bar": the bare name BRISKO_ASSERT
// reports through __func__.
std::string bareFunctionName(std::string_view signature)
{
    std::string_view name = signature.substr(0, signature.find('('));
    const size_t start = name.find_last_of(": ");
    if (start != std::string_view::npos)
        name.remove_prefix(start + 1);
    return std::string(name.empty() ? signature : name);
}

} // namespace

void QVRaiseAssertion(const std::string& message, const std::source_location& where)
{
    platform::raiseAssertion(bareFunctionName(where.function_name()).c_str(),
                             platform::sourceFileName(where.file_name()), message);
}

void QVRaiseRequiredCast(std::string_view why, const platform::Object* found, const std::source_location& where)
{
    std::string message(why);
    message += " (found ";
    message += found ? found->className() : std::string("nothing");
    message += ")";
    QVRaiseAssertion(message, where);
}

} // namespace quorvel
