// What the friend picker tells whoever opened it: the picked user, or that
// the player closed it without picking.
#pragma once

namespace quorvel {

class QVUser;

class QVFriendPickerDelegate {
public:
    virtual ~QVFriendPickerDelegate() = default;
    virtual void pickerFinishedWithSelectedUser(QVUser* user) = 0;
    // Answers false when the delegate does not handle a cancel.
    virtual bool pickerCancelled() { return false; }
};

} // namespace quorvel
