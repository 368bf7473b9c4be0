// The bookkeeping shared by the double submissions to the social service and
// to Game Center: each side's status and the Game Center reports still
// unanswered.
#pragma once

namespace quorvel {

class QVDoubleSubmission {
public:
    // Side status.
    enum Status : unsigned { kNotUsed = 0, kPending = 1, kSucceeded = 2, kFailed = 3 };

    unsigned quorvelStatus() const { return quorvelStatus_; }
    unsigned gameCenterStatus() const { return gameCenterStatus_; }
    unsigned gameCenterCount() const { return gameCenterCount_; }

protected:
    // The service's answer settles its side when that side is still pending.
    void quorvelAnswered(bool failed)
    {
        if (quorvelStatus_ == kPending)
            quorvelStatus_ = failed ? kFailed : kSucceeded;
    }
    // One Game Center report answered: a failure fails that side, the last
    // success of a pending side succeeds it.
    void gameCenterReportAnswered(bool failed)
    {
        if (gameCenterCount_ > 0)
            --gameCenterCount_;
        if (failed)
            gameCenterStatus_ = kFailed;
        else if (gameCenterCount_ == 0 && gameCenterStatus_ == kPending)
            gameCenterStatus_ = kSucceeded;
    }

    unsigned quorvelStatus_ { kNotUsed };
    unsigned gameCenterStatus_ { kNotUsed };
    unsigned gameCenterCount_ { 0 };
};

} // namespace quorvel
