// The exception types of the system.
//
// Programming errors (a broken precondition) raise AssertionFailure through the
// always-on BRISKO_ASSERT macro: it names the method, the source file as the
// system documents it ("engine/KSNode") and a fixed message. Other named
// exceptions (a range error, an abstract method) are Exception with a name.
// Run-time failures are never thrown: they are reported as values.
#pragma once

#include <stdexcept>
#include <string>

namespace platform {

class Exception : public std::runtime_error {
public:
    Exception(std::string name, std::string reason)
        : std::runtime_error(reason), name_(std::move(name)), reason_(std::move(reason)) { }
    const std::string& name() const { return name_; }
    const std::string& reason() const { return reason_; }

private:
    std::string name_;
    std::string reason_;
};

// Standard exception names.
inline constexpr const char* kRangeException = "NSRangeException";
inline constexpr const char* kInvalidArgumentException = "NSInvalidArgumentException";
inline constexpr const char* kInternalInconsistencyException = "NSInternalInconsistencyException";

class AssertionFailure : public Exception {
public:
    AssertionFailure(std::string method, std::string file, std::string message);
    const std::string& method() const { return method_; }
    const std::string& file() const { return file_; }
    const std::string& message() const { return reason(); }

private:
    std::string method_;
    std::string file_;
};

// "engine/KSNode.cpp" -> "engine/KSNode".
std::string sourceFileName(const char* file);

[[noreturn]] void raiseAssertion(const char* method, const std::string& file, const std::string& message);
[[noreturn]] void raiseRange(const std::string& reason);
// "Abstract class needs implementation".
[[noreturn]] void raiseAbstract();

} // namespace platform

// Always on, in every build type. The file is derived from __FILE__ (relative to
// the source root); BRISKO_ASSERT_FILE names it explicitly where the documented
// file differs from ours.
#define BRISKO_ASSERT(cond, message)                                                         \
    do {                                                                                     \
        if (!(cond)) [[unlikely]]                                                            \
            ::platform::raiseAssertion(__func__, ::platform::sourceFileName(__FILE__), (message)); \
    } while (0)

#define BRISKO_ASSERT_FILE(cond, file, message)                                              \
    do {                                                                                     \
        if (!(cond)) [[unlikely]]                                                            \
            ::platform::raiseAssertion(__func__, (file), (message));                         \
    } while (0)
