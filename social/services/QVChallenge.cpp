// The challenge and challenge-to-user records and their public classes.
#include "social/services/QVChallenge.h"

#include "platform/foundation/Boxed.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVUser.h"

namespace quorvel {

using platform::Ref;

namespace {
constexpr const char* kEmptyBlob = "/empty.blob";
constexpr const char* kLocalPlayerName = "You";
} // namespace

// -- the challenge ------------------------------------------------------------------------------

QVChallenge::QVChallenge() = default;
QVChallenge::~QVChallenge() = default;

void QVChallenge::getDataMap(QVResourceDataMap& map)
{
    using T = QVChallenge;
    QVResourceFields<T> f(map);
    f.field<QVFieldText>("description", &T::challengeDescription_);
    f.field<QVFieldText>("hidden_text", &T::hiddenText_);
    f.field<QVFieldText>("user_message", &T::userMessage_);
    f.field<QVFieldText>("user_data_url", &T::challengeDataUrl_);
    f.nested("challenge_definition", &T::challengeDefinition_, true);
    f.nested("user", &T::challenger_, true);
}

QVService* QVChallenge::getService() { return QVChallengeService::sharedService(); }

Ref<QVChallenge> QVChallenge::initWithDefinition(Ref<QVChallengeDefinition> definition,
                                                 const std::string& challengeDescription,
                                                 std::optional<platform::Bytes> challengeData)
{
    Ref<QVChallenge> c = create();
    c->challengeDefinition_ = std::move(definition);
    c->challengeDescription_ = challengeDescription;
    c->challengeData_ = std::move(challengeData);
    return c;
}

void QVChallenge::setDelegate(QVChallengeResourceDelegate* delegate) { QVChallengeClass::setDelegate(delegate); }

void QVChallenge::setChallengeDefinition(Ref<QVChallengeDefinition> definition)
{
    challengeDefinition_ = std::move(definition);
}

void QVChallenge::setChallenger(Ref<QVUser> user) { challenger_ = std::move(user); }

bool QVChallenge::usesChallengeData() const
{
    return !challengeDataUrl_.empty() && challengeDataUrl_ != kEmptyBlob;
}

void QVChallenge::displayAndSendChallenge()
{
    QVChallengeService::displaySendChallengeModal(challengeDefinition_ ? challengeDefinition_->resourceId()
                                                                       : std::string(),
                                                  challengeDescription_, challengeData_);
}

Ref<QVRequestHandle> QVChallenge::sendChallenge(const std::vector<std::string>& toUsers,
                                                QVChallengeToUser* inResponseToChallenge)
{
    std::optional<std::string> answered;
    if (inResponseToChallenge)
        answered = inResponseToChallenge->resourceId();
    std::optional<std::string> message;
    if (!userMessage_.empty())
        message = userMessage_;
    return QVChallengeClass::file(QVChallengeService::sendChallenge(
        challengeDefinition_ ? challengeDefinition_->resourceId() : std::string(), challengeDescription_,
        challengeData_, message, hiddenText_, toUsers, answered,
        QVDelegate(this, BRISKO_SELECTOR(QVChallenge, _sendSuccess)),
        QVDelegate(this, BRISKO_SELECTOR(QVChallenge, _sendFailure))));
}

void QVChallenge::_sendSuccess(platform::Object*)
{
    QVChallengeClass::notify([&](QVChallengeResourceDelegate& d) { d.didSendChallenge(this); });
}

void QVChallenge::_sendFailure(platform::Object*)
{
    QVChallengeClass::notify([&](QVChallengeResourceDelegate& d) { d.didFailSendChallenge(this); });
}

Ref<QVRequestHandle> QVChallenge::downloadChallengeData()
{
    return QVChallengeClass::file(
        QVChallengeService::downloadChallengeData(challengeDataUrl_,
                                                  QVDelegate(this, BRISKO_SELECTOR(QVChallenge, _downloadSuccess)),
                                                  QVDelegate(this, BRISKO_SELECTOR(QVChallenge, _downloadFailure))));
}

void QVChallenge::_downloadSuccess(platform::Object* object)
{
    std::optional<platform::Bytes> data;
    if (auto* boxed = dynamic_cast<platform::Boxed*>(object); boxed && boxed->value().isData())
        data = boxed->value().data();
    QVChallengeClass::notify([&](QVChallengeResourceDelegate& d) { d.didDownloadChallengeData(data, this); });
}

void QVChallenge::_downloadFailure(platform::Object*)
{
    QVChallengeClass::notify([&](QVChallengeResourceDelegate& d) { d.didFailDownloadChallengeDataQVChallenge(this); });
}

// -- the challenge-to-user -------------------------------------------------------------------------

QVChallengeToUser::QVChallengeToUser() = default;
QVChallengeToUser::~QVChallengeToUser() = default;

void QVChallengeToUser::getDataMap(QVResourceDataMap& map)
{
    using T = QVChallengeToUser;
    QVResourceFields<T> f(map);
    f.custom("result_text", &T::setResultDescriptionFromString, &T::getResultDescription);
    f.custom("result", &T::setResultFromString, &T::getResultAsString);
    f.custom("completed_at", &T::setIsCompletedFromString, &T::getIsCompletedAsString);
    f.custom("viewed", &T::setHasBeenViewed, &T::getHasBeenViewedAsString);
    f.custom("attempts", &T::setNumAttempts, &T::getNumAttemptsAsString);
    f.nested("challenge", &T::challenge_, true);
    f.nested("user", &T::recipient_, true);
}

QVService* QVChallengeToUser::getService() { return QVChallengeService::sharedService(); }

void QVChallengeToUser::setDelegate(QVChallengeToUserDelegate* delegate)
{
    QVChallengeToUserClass::setDelegate(delegate);
}

void QVChallengeToUser::setChallenge(Ref<QVChallenge> challenge) { challenge_ = std::move(challenge); }
void QVChallengeToUser::setRecipient(Ref<QVUser> user) { recipient_ = std::move(user); }

std::optional<std::string> QVChallengeToUser::getChallengeResultIconName(int result)
{
    switch (result) {
    case QVChallengeService::kWon:
        return "QVChallengeIconWon.png";
    case QVChallengeService::kLost:
        return "QVChallengeIconLost.png";
    case QVChallengeService::kTied:
        return "QVChallengeIconTied.png";
    default:
        return std::nullopt;
    }
}

void QVChallengeToUser::setResultFromString(const std::string& text)
{
    if (text == "win")
        result_ = QVChallengeService::kWon;
    else if (text == "lose")
        result_ = QVChallengeService::kLost;
    else if (text == "tie")
        result_ = QVChallengeService::kTied;
}

std::string QVChallengeToUser::getResultAsString() const
{
    switch (result_) {
    case QVChallengeService::kWon:
        return "win";
    case QVChallengeService::kLost:
        return "lose";
    case QVChallengeService::kTied:
        return "tie";
    default:
        return {};
    }
}

std::optional<std::string> QVChallengeToUser::formattedResultDescription() const
{
    if (!resultDescription_)
        return std::nullopt;
    size_t at = resultDescription_->find("%@");
    if (at == std::string::npos)
        return resultDescription_;
    // The server's text is never used as a format: only its first "%@" is
    // replaced, literally.
    std::string name = !recipient_ || recipient_->isLocalUser() ? std::string(kLocalPlayerName) : recipient_->name();
    std::string out = *resultDescription_;
    out.replace(at, 2, name);
    return out;
}

Ref<QVRequestHandle> QVChallengeToUser::reject()
{
    return QVChallengeToUserClass::file(QVChallengeService::rejectChallenge(
        resourceId(), QVDelegate(this, BRISKO_SELECTOR(QVChallengeToUser, _rejectSuccess)),
        QVDelegate(this, BRISKO_SELECTOR(QVChallengeToUser, _rejectFailure))));
}

Ref<QVRequestHandle> QVChallengeToUser::completeWithResult(int result)
{
    if (result == QVChallengeService::kNoResult)
        return nullptr;
    result_ = result;
    return QVChallengeToUserClass::file(QVChallengeService::submitChallengeResult(
        resourceId(), result, getResultDescription(),
        QVDelegate(this, BRISKO_SELECTOR(QVChallengeToUser, _completeSuccess)),
        QVDelegate(this, BRISKO_SELECTOR(QVChallengeToUser, _completeFailure))));
}

void QVChallengeToUser::displayCompletionWithData(const std::optional<platform::Bytes>& resultData,
                                                  const std::string& reChallengeDescription)
{
    if (result_ == QVChallengeService::kNoResult)
        return;
    QVChallengeService::displayChallengeCompletedModal(*this, resultData, getResultDescription(),
                                                       reChallengeDescription);
}

bool QVChallengeToUser::writeToFile(const std::string& path) const
{
    return QVChallengeService::writeChallengeToUserToFile(path, *this);
}

Ref<QVChallengeToUser> QVChallengeToUser::readFromFile(const std::string& path)
{
    return QVChallengeService::readChallengeToUserFromFile(path);
}

void QVChallengeToUser::_rejectSuccess(platform::Object*)
{
    QVChallengeToUserClass::notify([&](QVChallengeToUserDelegate& d) { d.didRejectChallenge(this); });
}

void QVChallengeToUser::_rejectFailure(platform::Object*)
{
    QVChallengeToUserClass::notify([&](QVChallengeToUserDelegate& d) { d.didFailRejectChallenge(this); });
}

void QVChallengeToUser::_completeSuccess(platform::Object*)
{
    QVChallengeToUserClass::notify([&](QVChallengeToUserDelegate& d) { d.didCompleteChallenge(this); });
}

void QVChallengeToUser::_completeFailure(platform::Object*)
{
    QVChallengeToUserClass::notify([&](QVChallengeToUserDelegate& d) { d.didFailCompleteChallenge(this); });
}

} // namespace quorvel
