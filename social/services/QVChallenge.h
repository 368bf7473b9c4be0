// Challenges as the server sends them, and the game's public classes for
// them. QVChallenge is the challenge a player sent (definition, challenger,
// texts, address of its data blob); QVChallengeToUser is one recipient's copy
// (result, attempts, viewed and completed flags), which can be kept in a file
// so that a game can resume the challenge being played after a restart.
//
// Each class reports to its class-wide delegate (a weak link; every method
// optional); clearing the delegate forgets the class's outstanding requests.
#pragma once

#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVServicePublicClass.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVChallenge;
class QVChallengeDefinition;
class QVChallengeToUser;
class QVUser;

class QVChallengeResourceDelegate {
public:
    virtual ~QVChallengeResourceDelegate() = default;
    virtual void didSendChallenge(QVChallenge*) { }
    virtual void didFailSendChallenge(QVChallenge*) { }
    virtual void didDownloadChallengeData(const std::optional<platform::Bytes>&, QVChallenge*) { }
    virtual void didFailDownloadChallengeDataQVChallenge(QVChallenge*) { }
};

class QVChallengeToUserDelegate {
public:
    virtual ~QVChallengeToUserDelegate() = default;
    virtual void didRejectChallenge(QVChallengeToUser*) { }
    virtual void didFailRejectChallenge(QVChallengeToUser*) { }
    virtual void didCompleteChallenge(QVChallengeToUser*) { }
    virtual void didFailCompleteChallenge(QVChallengeToUser*) { }
};

class QVChallenge : public QVResource, public QVCallbackable {
    QV_DECLARE_RESOURCE(QVChallenge)
public:
    static platform::Ref<QVChallenge> create() { return platform::adoptRef(new QVChallenge); }
    // A challenge made by the game for sending.
    static platform::Ref<QVChallenge> initWithDefinition(platform::Ref<QVChallengeDefinition> definition,
                                                         const std::string& challengeDescription,
                                                         std::optional<platform::Bytes> challengeData);
    ~QVChallenge() override;

    static std::string getResourceName() { return "challenge"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_challenge_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService();

    static void setDelegate(QVChallengeResourceDelegate* delegate);

    QVChallengeDefinition* challengeDefinition() const { return challengeDefinition_.get(); }
    QVUser* challenger() const { return challenger_.get(); }
    const std::string& challengeDescription() const { return challengeDescription_; }
    const std::string& userMessage() const { return userMessage_; }
    const std::string& challengeDataUrl() const { return challengeDataUrl_; }
    const std::string& hiddenText() const { return hiddenText_; }
    const std::optional<platform::Bytes>& challengeData() const { return challengeData_; }
    // A data address other than "" and "/empty.blob".
    bool usesChallengeData() const;

    void setChallengeDescription(const std::string& text) { challengeDescription_ = text; }
    void setUserMessage(const std::string& text) { userMessage_ = text; }
    void setDataUrl(const std::string& text) { challengeDataUrl_ = text; }
    void setHiddenText(const std::string& text) { hiddenText_ = text; }
    void setChallengeDefinition(platform::Ref<QVChallengeDefinition> definition);
    void setChallenger(platform::Ref<QVUser> user);

    // Opens the send screen for this challenge.
    void displayAndSendChallenge();
    // Sends this challenge to the players, as the answer to a received
    // challenge when one is given; the handle is filed under the class.
    platform::Ref<QVRequestHandle> sendChallenge(const std::vector<std::string>& toUsers,
                                                 QVChallengeToUser* inResponseToChallenge);
    // Downloads the data blob (not kept here); null without an address.
    platform::Ref<QVRequestHandle> downloadChallengeData();

    bool canReceiveCallbacksNow() override { return true; }
    void _sendSuccess(platform::Object*);
    void _sendFailure(platform::Object*);
    void _downloadSuccess(platform::Object* data);
    void _downloadFailure(platform::Object*);

protected:
    QVChallenge();

private:
    platform::Ref<QVChallengeDefinition> challengeDefinition_;
    platform::Ref<QVUser> challenger_;
    std::string challengeDescription_;
    std::string userMessage_;
    std::string challengeDataUrl_;
    std::string hiddenText_;
    std::optional<platform::Bytes> challengeData_;
};

class QVChallengeToUser : public QVResource, public QVCallbackable {
    QV_DECLARE_RESOURCE(QVChallengeToUser)
public:
    static platform::Ref<QVChallengeToUser> create() { return platform::adoptRef(new QVChallengeToUser); }
    ~QVChallengeToUser() override;

    static std::string getResourceName() { return "challenges_user"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_challenge_to_user_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService();

    static void setDelegate(QVChallengeToUserDelegate* delegate);
    // The bundle image of a result, none for no result.
    static std::optional<std::string> getChallengeResultIconName(int result);
    // Reads a file written by writeToFile; null when there is none or it holds none.
    static platform::Ref<QVChallengeToUser> readFromFile(const std::string& path);

    QVChallenge* challenge() const { return challenge_.get(); }
    QVUser* recipient() const { return recipient_.get(); }
    int result() const { return result_; }
    const std::optional<std::string>& resultDescription() const { return resultDescription_; }
    uint32_t attempts() const { return attempts_; }
    bool isCompleted() const { return isCompleted_; }
    bool hasBeenViewed() const { return hasBeenViewed_; }
    bool hasDecrementedChallengeCount() const { return hasDecrementedChallengeCount_; }
    // The description with its first "%@" replaced by the recipient's name
    // ("You" for the local player or no recipient); other text, "%" signs
    // included, stays as it is.
    std::optional<std::string> formattedResultDescription() const;

    void setResult(int result) { result_ = result; }
    void setResultDescription(std::optional<std::string> text) { resultDescription_ = std::move(text); }
    void setIsCompleted(bool completed) { isCompleted_ = completed; }
    void setHasDecrementedChallengeCount(bool done) { hasDecrementedChallengeCount_ = done; }
    void setChallenge(platform::Ref<QVChallenge> challenge);
    void setRecipient(platform::Ref<QVUser> user);

    // The field map's setters and getters (element text).
    void setResultDescriptionFromString(const std::string& text) { resultDescription_ = text; }
    std::string getResultDescription() const { return resultDescription_.value_or(std::string()); }
    // "win", "lose" and "tie"; any other text leaves the result as it is.
    void setResultFromString(const std::string& text);
    std::string getResultAsString() const;
    void setIsCompletedFromString(const std::string& text) { isCompleted_ = QVFieldBool::read(text); }
    std::string getIsCompletedAsString() const { return QVFieldBool::write(isCompleted_); }
    void setHasBeenViewed(const std::string& text) { hasBeenViewed_ = QVFieldBool::read(text); }
    std::string getHasBeenViewedAsString() const { return QVFieldBool::write(hasBeenViewed_); }
    void setNumAttempts(const std::string& text) { attempts_ = QVFieldUnsigned::read(text); }
    std::string getNumAttemptsAsString() const { return QVFieldUnsigned::write(attempts_); }

    platform::Ref<QVRequestHandle> reject();
    // Result 0 sends nothing and answers null; any other is set here first.
    platform::Ref<QVRequestHandle> completeWithResult(int result);
    // Opens the completed-challenge screen; nothing without a result.
    void displayCompletionWithData(const std::optional<platform::Bytes>& resultData,
                                   const std::string& reChallengeDescription);
    bool writeToFile(const std::string& path) const;

    bool canReceiveCallbacksNow() override { return true; }
    void _rejectSuccess(platform::Object*);
    void _rejectFailure(platform::Object*);
    void _completeSuccess(platform::Object*);
    void _completeFailure(platform::Object*);

protected:
    QVChallengeToUser();

private:
    platform::Ref<QVChallenge> challenge_;
    platform::Ref<QVUser> recipient_;
    int result_ { 0 };
    std::optional<std::string> resultDescription_;
    uint32_t attempts_ { 0 };
    bool isCompleted_ { false };
    bool hasBeenViewed_ { false };
    bool hasDecrementedChallengeCount_ { false };
};

// The class objects: delegate and request module of each class.
class QVChallengeClass : public QVServicePublicClass<QVChallengeClass, QVChallengeResourceDelegate> {
    friend class QVServicePublicClass<QVChallengeClass, QVChallengeResourceDelegate>;
    QVChallengeClass() = default;
};

class QVChallengeToUserClass : public QVServicePublicClass<QVChallengeToUserClass, QVChallengeToUserDelegate> {
    friend class QVServicePublicClass<QVChallengeToUserClass, QVChallengeToUserDelegate>;
    QVChallengeToUserClass() = default;
};

} // namespace quorvel
