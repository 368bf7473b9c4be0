// The challenge service: requests, the data download, the local file of a
// challenge-to-user and the challenge screens.
#include "social/services/QVChallengeService.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Boxed.h"
#include "platform/foundation/Log.h"
#include "social/runtime/QVCompressableData.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVResource.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVScreensRole.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/services/QVUser.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace quorvel {

using platform::Ref;

namespace {


const QVServiceEndpoint kChallengeToUser { "GET", "challenges_users/%@.xml", 0, nullptr };
const QVServiceEndpoint kPending { "GET", "challenges_users.xml", 2,
                                   QVChallengeService::kDownloadedChallengeInformation };
const QVServiceEndpoint kSent { "GET", "challenges.xml", 2, QVChallengeService::kDownloadedChallengeInformation };
const QVServiceEndpoint kHistory { "GET", "challenges_users.xml", 2,
                                   QVChallengeService::kDownloadingChallengeInformation };
const QVServiceEndpoint kUsersToChallenge { "GET", "users.xml", 2, "Downloaded Friends" };
const QVServiceEndpoint kReceivers { "GET", "challenges_users.xml", 0, nullptr };
const QVServiceEndpoint kSend { "POST", "challenges.xml", 1, QVChallengeService::kChallengeSent, true, 3, 1 };
const QVServiceEndpoint kReject { "POST", "challenges_users/%@/update.xml", 2, "Rejected Challenge" };
const QVServiceEndpoint kSubmit { "POST", "challenges_users/%@/update.xml", 2, "Submitted Challenge" };

QVChallengeToUser* firstChallengeToUser(platform::Object* object)
{
    auto* series = dynamic_cast<QVPaginatedSeries*>(object);
    if (!series)
        return nullptr;
    for (const auto& item : series->objects())
        if (auto* c = dynamic_cast<QVChallengeToUser*>(item.get()))
            return c;
    return nullptr;
}

bool present(const QVChallengeScreen& screen)
{
    return QVScreensRole::current().presentChallengeScreen(screen);
}

} // namespace

QVChallengeService::~QVChallengeService()
{
    if (mHttpService)
        mHttpService->cancelAllRequests();
}

void QVChallengeService::populateKnownResources(QVResourceNameMap& names)
{
    names.addResource<QVChallenge>(QVChallenge::getResourceName());
    names.addResource<QVChallengeToUser>(QVChallengeToUser::getResourceName());
    names.addResource<QVUser>(QVUser::getResourceName());
}

// -- lists ----------------------------------------------------------------------------------------

Ref<QVRequestHandle> QVChallengeService::getChallengeToUserWithId(const std::string& id, const QVDelegate& onSuccess,
                                                                  const QVDelegate& onFailure)
{
    return service().send(kChallengeToUser, { id }, nullptr, onSuccess, onFailure);
}

void QVChallengeService::getPendingChallengesForLocalUserAndApplication(const std::string& clientApplicationId,
                                                                        int page, const std::string& comparedToUserId,
                                                                        const QVDelegate& onSuccess,
                                                                        const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("incomplete", 1);
    params->put("page", page);
    params->put("mark_as_viewed", 1);
    if (!clientApplicationId.empty())
        params->put("client_application_id", clientApplicationId);
    if (!comparedToUserId.empty())
        params->put("compared_user_id", comparedToUserId);
    service().send(kPending, {}, params.get(), onSuccess, onFailure);
}

void QVChallengeService::getPendingChallengesForLocalUserAndApplication(const std::string& clientApplicationId,
                                                                        int page, const QVDelegate& onSuccess,
                                                                        const QVDelegate& onFailure)
{
    getPendingChallengesForLocalUserAndApplication(clientApplicationId, page, std::string(), onSuccess, onFailure);
}

void QVChallengeService::getPendingChallengesForLocalUserAndLocalApplication(int page, const QVDelegate& onSuccess,
                                                                             const QVDelegate& onFailure)
{
    getPendingChallengesForLocalUserAndApplication(std::string(), page, std::string(), onSuccess, onFailure);
}

void QVChallengeService::getCompletedChallengesForLocalUserAndLocalApplication(int page, const QVDelegate& onSuccess,
                                                                               const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("complete", 1);
    params->put("page", page);
    service().send(kPending, {}, params.get(), onSuccess, onFailure);
}

void QVChallengeService::getSentChallengesForLocalUserAndLocalApplication(int page, const QVDelegate& onSuccess,
                                                                          const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("page", page);
    service().send(kSent, {}, params.get(), onSuccess, onFailure);
}

void QVChallengeService::getChallengeHistoryForType(const std::string& challengeDefinitionId,
                                                    const std::optional<std::string>& clientApplicationId, int page,
                                                    const std::string& comparedToUserId, const QVDelegate& onSuccess,
                                                    const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("history", 1);
    params->put("page", page);
    params->put("challenge_definition_id", challengeDefinitionId);
    if (clientApplicationId)
        params->put("client_application_id", *clientApplicationId);
    if (!comparedToUserId.empty())
        params->put("compared_user_id", comparedToUserId);
    service().send(kHistory, {}, params.get(), onSuccess, onFailure);
}

void QVChallengeService::getChallengeHistoryForType(const std::string& challengeDefinitionId,
                                                    const std::optional<std::string>& clientApplicationId, int page,
                                                    const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    getChallengeHistoryForType(challengeDefinitionId, clientApplicationId, page, std::string(), onSuccess, onFailure);
}

void QVChallengeService::getChallengeHistoryAcrossAllTypes(int page, const QVDelegate& onSuccess,
                                                           const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("history", 1);
    params->put("page", page);
    service().send(kHistory, {}, params.get(), onSuccess, onFailure);
}

void QVChallengeService::getUsersToChallenge(const std::string& challengerUserId, int page,
                                             const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("page", page);
    params->put("user_id", std::string("me"));
    params->put("scope", std::string("people-of-interest"));
    params->put("with_client_application", QVSessionRole::current().clientApplicationId());
    params->put("not_sectioned", std::string("yes"));
    if (!challengerUserId.empty())
        params->put("challenger_user_id", challengerUserId);
    service().send(kUsersToChallenge, {}, params.get(), onSuccess, onFailure);
}

void QVChallengeService::getUsersWhoReceivedChallengeWithId(const std::string& challengeId,
                                                            const std::optional<std::string>& clientApplicationId,
                                                            int page, const QVDelegate& onSuccess,
                                                            const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("challenge_id", challengeId);
    params->put("client_application_id",
        clientApplicationId ? *clientApplicationId : QVSessionRole::current().clientApplicationId());
    params->put("page", page);
    service().send(kReceivers, {}, params.get(), onSuccess, onFailure);
}

// -- sending and answering ----------------------------------------------------------------------

Ref<QVRequestHandle> QVChallengeService::sendChallenge(const std::string& challengeDefinitionId,
                                                       const std::string& challengeText,
                                                       const std::optional<platform::Bytes>& challengeData,
                                                       const std::optional<std::string>& userMessage,
                                                       const std::string& hiddenText,
                                                       const std::vector<std::string>& toUsers,
                                                       const std::optional<std::string>& inResponseToChallengeId,
                                                       const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    if (challengeDefinitionId.empty() || (challengeData && challengeData->size() > kMaxChallengeData)) {
        onFailure.invoke(nullptr);
        return nullptr;
    }
    auto params = sendChallengeParameters(challengeDefinitionId, challengeText, challengeData, userMessage, hiddenText,
                                          toUsers, inResponseToChallengeId);
    return service().send(kSend, {}, params.get(), onSuccess, onFailure);
}

Ref<QVHttpNestedQueryStringWriter> QVChallengeService::sendChallengeParameters(
    const std::string& challengeDefinitionId, const std::string& challengeText,
    const std::optional<platform::Bytes>& challengeData, const std::optional<std::string>& userMessage,
    const std::string& hiddenText, const std::vector<std::string>& toUsers,
    const std::optional<std::string>& inResponseToChallengeId)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("challenge_hidden_text", hiddenText);
    params->put("challenger_id", std::string("me"));
    params->put("challenge_description", challengeText);
    params->put("challenge_definition_id", challengeDefinitionId);
    if (inResponseToChallengeId && !inResponseToChallengeId->empty())
        params->put("challenge_response_to_challenge_id", *inResponseToChallengeId);
    if (userMessage)
        params->put("challenge_user_message", *userMessage);
    std::optional<platform::Bytes> data = serializedChallengeData(challengeData);
    params->io("challenge_user_data", data);
    {
        // Each id goes as challenge_user_ids[], in the given order.
        QVISerializer::Scope series(*params, "challenge_user_ids", true);
        for (std::string id : toUsers)
            params->io("user_ids", id);
    }
    return params;
}

Ref<QVRequestHandle> QVChallengeService::rejectChallenge(const std::string& challengeToUserId,
                                                         const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    {
        QVISerializer::Scope scope(*params, "challenges_user");
        params->put("ignored", 1);
    }
    return service().send(kReject, { challengeToUserId }, params.get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVChallengeService::submitChallengeResult(const std::string& challengeToUserId, int result,
                                                               const std::string& resultDescription,
                                                               const QVDelegate& onSuccess,
                                                               const QVDelegate& onFailure)
{
    if (challengeToUserId.empty()) {
        onFailure.invoke(nullptr);
        return nullptr;
    }
    auto params = QVHttpNestedQueryStringWriter::create();
    {
        QVISerializer::Scope scope(*params, "challenges_user");
        params->put("result_text", resultDescription);
        switch (result) {
        case kWon:
            params->put("result", std::string("win"));
            break;
        case kLost:
            params->put("result", std::string("lose"));
            break;
        case kTied:
            params->put("result", std::string("tie"));
            break;
        default:
            break;
        }
    }
    return service().send(kSubmit, { challengeToUserId }, params.get(), onSuccess, onFailure);
}

// -- challenge data ---------------------------------------------------------------------------------

platform::Bytes QVChallengeService::serializedChallengeData(const std::optional<platform::Bytes>& data)
{
    return QVCompressableData::serializedDataFromData(data.value_or(platform::Bytes()));
}

QVHttpService* QVChallengeService::createHttpService()
{
    if (mHttpService)
        mHttpService->cancelAllRequests();
    mHttpService = QVProvider::createHttpService();
    return mHttpService.get();
}

Ref<QVRequestHandle> QVChallengeService::downloadChallengeData(const std::string& url, const QVDelegate& onSuccess,
                                                               const QVDelegate& onFailure)
{
    if (url.empty())
        return nullptr;
    QVHttpService* http = service().createHttpService();
    if (!http) {
        onFailure.invoke(nullptr);
        return nullptr;
    }
    // The server gives paths from its root ("/..."): one slash between them.
    std::string path = url;
    if (path[0] == '/' && !http->baseAddress().empty() && http->baseAddress().back() == '/')
        path.erase(0, 1);
    auto observer = platform::adoptRef(new QVBlobDownloadObserver(onSuccess, onFailure, false));
    return QVRequestHandle::requestHandle(http->startRequest(path, "GET", std::nullopt, observer.get()).get());
}

// -- the local file ----------------------------------------------------------------------------------

bool QVChallengeService::writeChallengeToUserToFile(const std::string& path, const QVChallengeToUser& challengeToUser)
{
    if (path.empty())
        return false;
    // As the other files the client keeps: whole, never through a link, and
    // the player's alone (0600), for the challenge holds its hidden text.
    std::string error;
    if (!platform::writeFileAtomically(path, challengeToUser.toResourceArrayXml(), 0600, &error)) {
        platform::logWarning("Quorvel: the challenge could not be written to %s (%s)", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

Ref<QVChallengeToUser> QVChallengeService::readChallengeToUserFromFile(const std::string& path)
{
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec))
        return nullptr;
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof())
        return nullptr;
    Ref<QVPaginatedSeries> series =
        QVResource::resourcesFromData(bytes.data(), bytes.size(), service().getKnownResources());
    QVChallengeToUser* first = firstChallengeToUser(series.get());
    return first ? Ref<QVChallengeToUser>(first) : nullptr;
}

// -- screens ---------------------------------------------------------------------------------------------

void QVChallengeService::displaySendChallengeModal(const std::string& challengeDefinitionId,
                                                   const std::string& challengeText,
                                                   const std::optional<platform::Bytes>& challengeData)
{
    QVChallengeScreen screen;
    screen.controllerName = QVChallengeScreen::kSendChallenge;
    screen.challengeDefinitionId = challengeDefinitionId;
    screen.challengeText = challengeText;
    screen.challengeData = challengeData;
    screen.title = kChallengeFriendsTitle;
    screen.isCompleted = false;
    present(screen);
}

void QVChallengeService::displayChallengeCompletedModal(QVChallengeToUser& challengeToUser,
                                                        const std::optional<platform::Bytes>& resultData,
                                                        const std::string& resultDescription,
                                                        const std::string& reChallengeDescription)
{
    QVChallenge* challenge = challengeToUser.challenge();
    QVChallengeDefinition* definition = challenge ? challenge->challengeDefinition() : nullptr;
    bool multiAttempt = definition && definition->multiAttempt();
    bool won = challengeToUser.result() == kWon;
    challengeToUser.setIsCompleted(!multiAttempt || won);
    challengeToUser.setResultDescription(resultDescription);

    QVChallengeScreen screen;
    if (multiAttempt && won) {
        screen.controllerName = QVChallengeScreen::kSendChallenge;
        screen.challengeDefinitionId = definition->resourceId();
        screen.challengeText = reChallengeDescription;
        screen.resultData = resultData;
        screen.isCompleted = challengeToUser.isCompleted();
        screen.title = kChallengeResultTitle;
    } else {
        screen.controllerName = QVChallengeScreen::kCompletedChallengeHeader;
        screen.isCompleted = challengeToUser.isCompleted();
    }
    screen.userChallenge = Ref<QVChallengeToUser>(&challengeToUser);
    present(screen);
}

void QVChallengeService::getChallengeToUserAndShowDetailView(const std::string& challengeToUserId)
{
    service()._getChallengeToUserAndShowDetailView(challengeToUserId);
}

void QVChallengeService::_getChallengeToUserAndShowDetailView(const std::string& challengeToUserId)
{
    QVDelegate failed(this, BRISKO_SELECTOR(QVChallengeService, _onChallengeReceivedFailed));
    if (QVSessionRole::current().isOnline()) {
        getChallengeToUserWithId(challengeToUserId,
                                 QVDelegate(this, BRISKO_SELECTOR(QVChallengeService, _onChallengeReceivedDetailView)),
                                 failed);
        return;
    }
    Ref<platform::Boxed> id = platform::Boxed::box(platform::Value(challengeToUserId));
    if (!QVSessionRole::current().addBootstrapDelegates(
            QVDelegate(this, BRISKO_SELECTOR(QVChallengeService, _chainedGetChallengeToUserAndShowDetailView), id.get()),
            failed))
        platform::log("Quorvel: offline, the challenge %s is not shown", challengeToUserId.c_str());
}

void QVChallengeService::_chainedGetChallengeToUserAndShowDetailView(platform::Object* nextCall,
                                                                     platform::Object* challengeId)
{
    auto* id = dynamic_cast<platform::Boxed*>(challengeId);
    if (id && id->value().isString()) {
        QVDelegate failed(this, BRISKO_SELECTOR(QVChallengeService, _onChallengeReceivedFailed));
        getChallengeToUserWithId(id->value().asString(),
                                 QVDelegate(this, BRISKO_SELECTOR(QVChallengeService, _onChallengeReceivedDetailView)),
                                 failed);
    }
    if (auto* chained = QVDelegateChained::from(nextCall))
        chained->invoke();
}

void QVChallengeService::_onChallengeReceivedDetailView(platform::Object* series)
{
    QVChallengeToUser* received = firstChallengeToUser(series);
    if (!received)
        return;
    std::string challengeId = received->challenge() ? received->challenge()->resourceId() : std::string();
    QVScreensRole::current().showChallengeDetail(challengeId);
}

void QVChallengeService::getChallengeToUserAndShowNotification(const std::string& challengeToUserId)
{
    QVChallengeService& shared = service();
    getChallengeToUserWithId(challengeToUserId,
                             QVDelegate(&shared, BRISKO_SELECTOR(QVChallengeService, _onChallengeReceivedNotification)),
                             QVDelegate(&shared, BRISKO_SELECTOR(QVChallengeService, _onChallengeReceivedFailed)));
}

void QVChallengeService::_onChallengeReceivedNotification(platform::Object* series)
{
    QVChallengeToUser* received = firstChallengeToUser(series);
    if (!received)
        return;
    QVScreensRole::current().showChallengeNotice(received);
}

void QVChallengeService::_onChallengeReceivedFailed(platform::Object*)
{
    QVRequestUIRole::current().showBackgroundNotice({ kErrorDownloadingChallenge, {}, 3, 3, kFailureStatusImage });
}

} // namespace quorvel
