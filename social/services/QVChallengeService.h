// QVChallengeService: challenges sent from one player to friends — sending,
// the lists (pending, completed, sent, history), the players who can be or
// were challenged, results and rejections, the download of a challenge's data
// blob, a challenge-to-user kept in a local file, and the challenge screens.
//
// Screens and the dashboard belong to the layers above: they open through
// the screens role (QVScreensRole); without a running client those calls are
// logged and dropped. One data download runs at a time: a new one cancels the one still
// running, whose callbacks are then not invoked.
#pragma once

#include "social/runtime/QVHttpService.h"
#include "social/runtime/QVCompressableData.h"
#include "social/runtime/QVService.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVChallengeToUser;
class QVHttpNestedQueryStringWriter;

// What a challenge screen is opened with.
struct QVChallengeScreen {
    static constexpr const char* kSendChallenge = "SendChallenge";
    static constexpr const char* kCompletedChallengeHeader = "CompletedChallengeHeader";

    std::string controllerName;
    std::string title; // empty: the screen's own
    std::string challengeDefinitionId;
    std::string challengeText;
    std::optional<platform::Bytes> challengeData;
    std::optional<platform::Bytes> resultData;
    // The received challenge a new one answers (send screen), or the
    // completed challenge shown (header screen).
    platform::Ref<QVChallengeToUser> userChallenge;
    bool isCompleted { false };
};

// Implemented by the challenge screens, which receive their values through it.
class QVChallengeScreenController {
public:
    virtual ~QVChallengeScreenController() = default;
    virtual void setChallengeScreen(const QVChallengeScreen& screen) = 0;
};

// Implemented by the challenge detail screen: the challenge it shows.
class QVChallengeDetailSetup {
public:
    virtual ~QVChallengeDetailSetup() = default;
    virtual void setChallengeId(const std::string& challengeId) = 0;
};

class QVChallengeService : public QVSharedService<QVChallengeService> {
public:
    static constexpr const char* kDownloadedChallengeInformation = "Downloaded Challenge Information";
    static constexpr const char* kDownloadingChallengeInformation = "Downloading Challenge Information";
    static constexpr const char* kErrorDownloadingChallenge = "Error downloading challenge.";
    static constexpr const char* kFailureStatusImage = "QuorvelStatusIconNotificationFailure.png";
    static constexpr const char* kChallengeSent = "Challenge Sent";
    static constexpr const char* kChallengeFriendsTitle = "Challenge Friends";
    static constexpr const char* kChallengeResultTitle = "Challenge Result";
    // Results of a challenge-to-user.
    enum Result { kNoResult = 0, kWon = 1, kLost = 2, kTied = 3 };


    void populateKnownResources(QVResourceNameMap& names) override;

    // -- lists
    static platform::Ref<QVRequestHandle> getChallengeToUserWithId(const std::string& challengeToUserId,
                                                                   const QVDelegate& onSuccess,
                                                                   const QVDelegate& onFailure);
    // The player's unfinished challenges (marked viewed), optionally of one
    // game ("" for all) and compared with a player ("" for none).
    static void getPendingChallengesForLocalUserAndApplication(const std::string& clientApplicationId, int page,
                                                               const std::string& comparedToUserId,
                                                               const QVDelegate& onSuccess,
                                                               const QVDelegate& onFailure);
    static void getPendingChallengesForLocalUserAndApplication(const std::string& clientApplicationId, int page,
                                                               const QVDelegate& onSuccess,
                                                               const QVDelegate& onFailure);
    static void getPendingChallengesForLocalUserAndLocalApplication(int page, const QVDelegate& onSuccess,
                                                                    const QVDelegate& onFailure);
    static void getCompletedChallengesForLocalUserAndLocalApplication(int page, const QVDelegate& onSuccess,
                                                                      const QVDelegate& onFailure);
    static void getSentChallengesForLocalUserAndLocalApplication(int page, const QVDelegate& onSuccess,
                                                                 const QVDelegate& onFailure);
    // Finished challenges of one definition; the game's id is sent only when given.
    static void getChallengeHistoryForType(const std::string& challengeDefinitionId,
                                           const std::optional<std::string>& clientApplicationId, int page,
                                           const std::string& comparedToUserId, const QVDelegate& onSuccess,
                                           const QVDelegate& onFailure);
    static void getChallengeHistoryForType(const std::string& challengeDefinitionId,
                                           const std::optional<std::string>& clientApplicationId, int page,
                                           const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static void getChallengeHistoryAcrossAllTypes(int page, const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // The players of interest who play this game ("" challenger: none named).
    static void getUsersToChallenge(const std::string& challengerUserId, int page, const QVDelegate& onSuccess,
                                    const QVDelegate& onFailure);
    // Who received a challenge, for the given game (the running one when none).
    static void getUsersWhoReceivedChallengeWithId(const std::string& challengeId,
                                                   const std::optional<std::string>& clientApplicationId, int page,
                                                   const QVDelegate& onSuccess, const QVDelegate& onFailure);

    // -- sending and answering. An empty definition or challenge-to-user id
    // fails at once with null and sends nothing; so does challenge data
    // larger than kMaxChallengeData, which no recipient could expand.
    static platform::Ref<QVRequestHandle> sendChallenge(const std::string& challengeDefinitionId,
                                                        const std::string& challengeText,
                                                        const std::optional<platform::Bytes>& challengeData,
                                                        const std::optional<std::string>& userMessage,
                                                        const std::string& hiddenText,
                                                        const std::vector<std::string>& toUsers,
                                                        const std::optional<std::string>& inResponseToChallengeId,
                                                        const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // The parameters of a send, in wire order.
    static platform::Ref<QVHttpNestedQueryStringWriter>
    sendChallengeParameters(const std::string& challengeDefinitionId, const std::string& challengeText,
                            const std::optional<platform::Bytes>& challengeData,
                            const std::optional<std::string>& userMessage, const std::string& hiddenText,
                            const std::vector<std::string>& toUsers,
                            const std::optional<std::string>& inResponseToChallengeId);
    static platform::Ref<QVRequestHandle> rejectChallenge(const std::string& challengeToUserId,
                                                          const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // Results 1 to 3 (won, lost, tied) are sent with the text; any other only the text.
    static platform::Ref<QVRequestHandle> submitChallengeResult(const std::string& challengeToUserId, int result,
                                                                const std::string& resultDescription,
                                                                const QVDelegate& onSuccess,
                                                                const QVDelegate& onFailure);

    // -- challenge data, in the stored blob form on the wire. A download is
    // null without an address (no callback). The success value receives the
    // expanded bytes (Boxed data); any failure, and a body that does not
    // expand, reaches the failure value with null.
    static platform::Ref<QVRequestHandle> downloadChallengeData(const std::string& url, const QVDelegate& onSuccess,
                                                                const QVDelegate& onFailure);
    // The HTTP service of the next download; any download still running on the old one is cancelled.
    QVHttpService* createHttpService();
    // The largest challenge data: what a download expands to at most.
    static constexpr size_t kMaxChallengeData = QVCompressableData::kDefaultExpansionCap;
    // The form the data travels in.
    static platform::Bytes serializedChallengeData(const std::optional<platform::Bytes>& data);

    // -- a challenge-to-user in a file of the caller's choosing
    static bool writeChallengeToUserToFile(const std::string& path, const QVChallengeToUser& challengeToUser);
    // Null when there is no file or it holds no challenge-to-user.
    static platform::Ref<QVChallengeToUser> readChallengeToUserFromFile(const std::string& path);

    // -- screens
    static void displaySendChallengeModal(const std::string& challengeDefinitionId, const std::string& challengeText,
                                          const std::optional<platform::Bytes>& challengeData);
    static void displayChallengeCompletedModal(QVChallengeToUser& challengeToUser,
                                               const std::optional<platform::Bytes>& resultData,
                                               const std::string& resultDescription,
                                               const std::string& reChallengeDescription);
    // Fetches a received challenge and opens its detail in the dashboard
    // (offline: after the next bootstrap) or shows it as a notice.
    static void getChallengeToUserAndShowDetailView(const std::string& challengeToUserId);
    static void getChallengeToUserAndShowNotification(const std::string& challengeToUserId);

    void _getChallengeToUserAndShowDetailView(const std::string& challengeToUserId);
    void _chainedGetChallengeToUserAndShowDetailView(platform::Object* nextCall, platform::Object* challengeId);
    void _onChallengeReceivedDetailView(platform::Object* series);
    void _onChallengeReceivedNotification(platform::Object* series);
    void _onChallengeReceivedFailed(platform::Object*);

private:
    friend class QVSharedService<QVChallengeService>;
    QVChallengeService() = default;
    ~QVChallengeService() override;

    platform::Ref<QVHttpService> mHttpService;
};

} // namespace quorvel
