// Exception types and the assertion handler.
#include "platform/foundation/Exception.h"

#include <cstring>

namespace platform {

AssertionFailure::AssertionFailure(std::string method, std::string file, std::string message)
    : Exception(kInternalInconsistencyException, std::move(message))
    , method_(std::move(method))
    , file_(std::move(file))
{
}

std::string sourceFileName(const char* file)
{
    std::string s = file;
    // A compiler cache may hand out paths relative to the build folder.
    while (s.rfind("../", 0) == 0 || s.rfind("./", 0) == 0)
        s.erase(0, s.find('/') + 1);
    auto slash = s.rfind('/');
    auto dot = s.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        s.erase(dot);
    return s;
}

void raiseAssertion(const char* method, const std::string& file, const std::string& message)
{
    throw AssertionFailure(method, file, message);
}

void raiseRange(const std::string& reason)
{
    throw Exception(kRangeException, reason);
}

void raiseAbstract()
{
    throw Exception(kInternalInconsistencyException, "Abstract class needs implementation");
}

} // namespace platform
