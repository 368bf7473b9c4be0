// The role of an object that can be archived: it writes its state under keys
// into a KeyedArchiver, and a decoder function of its class makes it again from
// a KeyedUnarchiver (both in platform/foundation/KeyedCoder.h). Kept apart so
// that a class adopting the role does not bring the coder to every user of
// the class.
#pragma once

namespace platform {

class KeyedArchiver;
class KeyedUnarchiver;

class Coding {
public:
    virtual void encodeWithCoder(KeyedArchiver& coder) const = 0;

protected:
    ~Coding() = default;
};

} // namespace platform
