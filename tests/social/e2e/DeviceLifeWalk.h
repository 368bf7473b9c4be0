// The walk of a device's life at random (DeviceLifeWalkEndToEndTests.cpp):
// its fixture, the model it keeps of what the game did and was told, and the
// declarations of its steps (DeviceLifeWalkSteps.cpp, DeviceLifeWalkRoads.cpp)
// and of its checks (DeviceLifeWalkChecks.cpp).
//
// The walk's idea of who is logged in is its own: it follows from its steps
// (a login asked for, a logout), from what the service did (whom it made the
// device's account, whose token a request carried) and from the logins the
// game heard that answered a login the walk or a trigger it took started;
// never from what the client holds.
#pragma once

#include "DashboardEndToEndSupport.h"

#include "platform/net/Reachability.h"
#include "platform/ui/TableView.h"
#include "social/core/QuorvelDelegate.h"
#include "social/core/QVCurrentUser.h"
#include "social/core/QVNotification.h"
#include "social/runtime/QVDelegate.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVCloudStorage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace walk_testing {

// A display text that takes more than half a request of a batch once
// encoded, so that each score carrying one goes in a piece of its own.
std::string pieceFillingText();

// Bytes in upper-case hexadecimal, as SQLite's hex() writes them.
std::string hex(std::string_view bytes);
inline std::string hex(const platform::Bytes& bytes)
{
    return hex(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// SQL conditions that a stored score's display text and custom data are the
// given ones, byte for byte (nothing for those not given).
std::string sameTexts(const std::optional<std::string>& displayText, const std::optional<std::string>& customData);

// One callback pair handed to a call of the game's: it hears the answer once.
class Heard final : public platform::Object, public quorvel::QVCallbackable {
public:
    static platform::Ref<Heard> create(std::function<void(bool kept)> hook);
    bool canReceiveCallbacksNow() override { return true; }
    quorvel::QVDelegate onSuccess();
    quorvel::QVDelegate onFailure();
    int answers { 0 };
    bool kept { false };
    bool forgotten { false }; // its client went before answering

private:
    void succeeded(platform::Object*) { answer(true); }
    void failed(platform::Object*) { answer(false); }
    void answer(bool ok);
    std::function<void(bool)> hook_;
};

class DeviceLifeWalkEndToEnd : public e2e_testing::DashboardEndToEndTest, public testing::WithParamInterface<int> {
public:
    struct Step {
        const char* name;
        int weight;
        void (DeviceLifeWalkEndToEnd::*take)();
    };
    // The steps the walk draws from, each by its weight: one line adds one.
    static const std::vector<Step>& steps();

protected:
    void SetUp() override;
    void TearDown() override;
    void walk(int seed, int length);
    // Roads of the table the walk does not take (a replay's, added after it was found).
    std::set<std::string> roadsNotYet;
    // The seed of the walk's test: TEST_SEED plus the instance's number.
    virtual int walkSeed() const;

    // ---- What the walk's game hears, checked as it hears it

    class WalkGame final : public quorvel::QuorvelDelegate,
                           public quorvel::QVNotificationDelegate,
                           public quorvel::QVCloudStorageDelegate,
                           public quorvel::QVAchievementDelegate,
                           public quorvel::QVCurrentUserDelegate {
    public:
        explicit WalkGame(DeviceLifeWalkEndToEnd& walk) : walk(walk) { }
        void dashboardWillAppear() override;
        void dashboardDidAppear() override;
        void dashboardWillDisappear() override;
        void dashboardDidDisappear() override;
        void userLoggedIn(const std::string& id) override { walk.loginHeard("userLoggedIn", id, true); }
        void offlineUserLoggedIn(const std::string& id) override { walk.loginHeard("offlineUserLoggedIn", id, false); }
        void userLoggedOut(const std::string&) override { walk.callback("userLoggedOut"); }
        std::optional<bool> showCustomQuorvelApprovalScreen() override;
        void notificationWillShow(quorvel::QVNotificationData* data) override { walk.noticeHeard(data); }
        void didUpload() override { walk.cloudAnswered(true, std::nullopt); }
        void didFailUpload(int) override { walk.cloudAnswered(false, std::nullopt); }
        void didDownloadData(const platform::Bytes& data) override { walk.cloudAnswered(true, data); }
        void didFailDownloadData(int) override { walk.cloudAnswered(false, std::nullopt); }
        void didDownloadKeysForCurrentUser(const std::vector<std::string>& keys) override { walk.keysAnswered(&keys); }
        void didFailDownloadKeysForCurrentUser() override { walk.keysAnswered(nullptr); }
        void didUpdateProgressionCompleteQVAchievement(quorvel::QVAchievement* a) override { walk.progressAnswered(a, true); }
        void didFailUpdateProgressionCompleteQVAchievement(quorvel::QVAchievement* a) override
        {
            walk.progressAnswered(a, false);
        }
        void didSendFriendRequest() override { walk.friendsAnswered(true, true); }
        void didFailSendFriendRequest() override { walk.friendsAnswered(true, false); }
        void didUnfriend() override { walk.friendsAnswered(false, true); }
        void didFailUnfriend() override { walk.friendsAnswered(false, false); }
        DeviceLifeWalkEndToEnd& walk;
    };

    enum class Shown { Closed, Opening, Open, Closing };
    void dashboardHeard(const char* call, Shown from, Shown to);
    void loginHeard(const char* call, const std::string& id, bool online);
    void callback(const std::string& name);
    void friendsAnswered(bool follow, bool ok);
    void noticeHeard(quorvel::QVNotificationData* data);
    void progressAnswered(quorvel::QVAchievement* a, bool kept);
    void cloudAnswered(bool ok, const std::optional<platform::Bytes>& data);
    void keysAnswered(const std::vector<std::string>* keys);

    // ---- The model: who is logged in, and what the game sent and was told

    // A login the walk (or a trigger it took) started, waiting for the game
    // to hear it: of one player, or of the device's account ("", whomever the
    // service names). One the product may also leave unanswered (a trigger
    // that starts nothing, a login that joins a running one) is optional.
    // A login the account screens started (the approval given) is told when
    // they close, whenever that is, once for every login that ended while
    // they were up: it holds the others' judgement back.
    struct AskedLogin {
        std::string player;
        bool required;
        int step;
        std::string why;
        bool heldByTheAccountScreens { false };
        long long tokensBefore { 0 }; // the service's tokens issued before it was asked
        bool bootstrapped { false };  // the service saw its bootstrap
        // Asked before a logout: only a login that had ended as the logout came
        // (its callers being told) is still heard, of no player.
        bool beforeLogout { false };
    };
    // The players the service logged this device in since its `tokensBefore`-th token.
    std::set<std::string> loggedInSince(long long tokensBefore) const;
    void askLogin(const std::string& player, bool required, const std::string& why, bool held = false);
    bool accountScreensUp() const;
    void lookAtTheAccountScreens();
    // The account screens showed (and have not told the login they held back
    // yet): the next login the game hears is theirs. The service's tokens when the walk last knew
    // every login (a settled step) before they showed.
    bool accountFlowOpen { false };
    long long flowTokensBefore { 0 }, tokensAtLastJudge { 0 };
    void bootstrapSeen(const std::string& who);
    bool settledLast { true };
    // The walk's own player: "" for none.
    std::string player;
    // The player the game last heard log in online, while nothing since can
    // have let the client's token go (a logout, a launch, a login failed or
    // told offline): "" when the walk cannot be sure. Such a player is not
    // logged in again by a trigger.
    std::string tokenHeldBy;
    // A trigger of a login (the network's return): it logs the walk's player
    // in only when the client may not be logged in.
    void triggerALogin(const std::string& why);
    std::vector<AskedLogin> asked;
    std::string lastHeard; // the player the game last heard log in ("0": none)
    // A login through an account form, waiting for the service to take its
    // credentials (the form's own request answered): then it must be heard.
    std::optional<AskedLogin> formLogin;
    // The player's next move (a step, or the walk's end): a form's login whose
    // answer the player did not wait for is left to it, and logs no one in
    // when the player left before its answer came.
    void leaveTheFormsNotWaitedFor();
    // Whose token the client's latest request carried: the player the client
    // acts as, told or not (a login the account screens hold back). A token
    // seen before a logout no longer names anyone.
    // `settled`: the network is quiet, so a login not heard yet is held back.
    void learnFromTheService(bool loggingOut = false, bool settled = false);
    std::string lastToken;
    // The issue order (the service's row) of the newest token the client was
    // seen acting with or heard logging in with, in this launch of it.
    long long clientsTokenRow { 0 };
    std::map<std::string, long long> tokenRows;
    long long tokenRow(const std::string& token);
    const standin::StandInServer* logOf { nullptr };
    size_t logSeen { 0 };
    long long tokensSeen { 0 };
    // `loggedIn`: the client logged `who` in (heard online when `told`, or seen acting as them).
    void resolvePlayer(const std::string& who, bool loggedIn = false, bool told = false);
    // What the game sent with no player goes to a player logged in after it:
    // the logins in the order of the game's calls (tick).
    struct Login {
        long tick;
        std::string player;
        bool told;
    };
    long tick { 0 };
    std::vector<Login> logins;
    std::set<std::string> adopters(long sentAt) const;
    void adoptWhatNoPlayerSent();
    std::string holderNow() const;
    // The players a score sent now while holderNow() is "?" may be kept for;
    // empty when it may be anyone's.
    std::set<std::string> possibleHolders() const;
    std::set<std::string> tokensOfLoggedOutPlayers;

    struct SentScore {
        std::string board;
        int64_t value;
        std::optional<platform::Bytes> blob;
        std::string holder; // "" for no player, "?" for one the walk cannot name
        bool best;          // a new best on its board, not a poor score
        bool viaBatch;      // told kept by the service's answer, not by the device's store
        platform::Ref<Heard> heard;
        bool lostWithTheStore { false };   // the device's store was damaged before it reached the service
        bool blobLostWithTheStore { false };
        bool retiredBoard { false };       // its board was retired before it reached the service
        bool secondDevice { false };       // kept by the service from the player's other device
        bool againOnceBettered { false };  // an earlier value given again after a better one: it may stay on the device
        // An earlier value given again: when its batch is cancelled, the next
        // login's list of bests names the value, and its newer blob may stay on the device.
        bool againOfASentValue { false };
        bool queued { false };             // taken online as a new best: it waits for its run's batch
        bool blobLeftInItsRun { false };   // a later score of its board in its run: its blob may go unannounced
        double at { 0 };                   // the device's clock when it was taken
        int step { 0 };
        long tick { 0 };
        std::set<std::string> mayBe {}; // the players one sent with no player may have gone to
        // Its texts: a row the service keeps of it holds them whole, byte for byte.
        std::optional<std::string> displayText {}, customData {};
        bool mustBeRefused { false }; // past the service's bounds: refused at the call, never kept
    };
    struct SentProgress {
        std::string id;
        double percent;
        std::string holder;
        platform::Ref<quorvel::QVAchievement> call;
        int answers { 0 };
        bool kept { false };
        bool forgotten { false };
        bool mustBeRefused { false };      // not a percentage: refused at the call
        bool lostWithTheStore { false };
        bool secondDevice { false };
        // The client took the call (kept it on the device, or sent it): false
        // when it returned nothing and answered nothing.
        bool taken { true };
        int step { 0 };
        long tick { 0 };
        std::set<std::string> mayBe {};
        void notTaken() { forgotten = true; taken = false; } // nothing was sent, nothing will answer
    };
    // Notes a score the game is about to send as this step's, and whom it may be kept for.
    void recordScore(SentScore score);
    // Notes progress the game is about to send as this step's; its place in
    // `progress`. One whose player the walk cannot name may be any of the
    // players a score sent now may be kept for.
    size_t recordProgress(const std::string& id, double percent, std::string holder,
                          platform::Ref<quorvel::QVAchievement> call);
    // A cloud value written under a key: by the game (told kept, refused, or
    // not told at all), or by the player's other device (kept).
    struct CloudWrite {
        std::string value;
        enum Outcome { Asked, Kept, Refused } outcome { Asked };
        int step { 0 };
    };
    using CloudKey = std::pair<std::string, std::string>; // player, key
    // The call of the game's waiting for the cloud's delegate (one at a time:
    // the delegate does not say which call it answers).
    struct CloudCall {
        enum Kind { Upload, Download, Keys } kind;
        CloudKey key;
        int step;
    };
    std::optional<CloudCall> cloudCall;
    // The values a download of `key` may answer: the last one told kept, or
    // any written after it; none when nothing was written.
    std::vector<std::string> acceptableValues(const CloudKey& key) const;

    void sendScore(std::optional<platform::Bytes> blob, const std::string& board, int64_t value, bool best,
                   bool expectKept, const std::optional<std::string>& displayText = std::nullopt,
                   const std::optional<std::string>& customData = std::nullopt);
    // A text of `characters` characters, drawn from one- to four-byte ones.
    std::string textOfLength(size_t characters);
    void markTheRunOf(const SentScore& later);
    int64_t nextValue(const std::string& board);
    std::string pickBoard();
    platform::Bytes blobOfSize(size_t size);
    platform::Bytes blobOfDrawnSize();

    // ---- The steps (the table names them)

    // The game's calls.
    void score();
    void scoreWithBlob();
    void sameScoreTwiceWithTwoBlobs();
    void batchOfScores();
    void unlock();
    void cloudValue();
    void cloudDownload();
    void cloudKeyList();
    void friendRequest();
    void friendRequestOf(bool follow);
    void followAndUnfollowAtOnce();
    void batchInPieces();
    void oddId();
    void oddPercent();
    void pastTheLimits();
    void nulInTheTexts();
    void callFromAnotherThread();
    void openTheDashboard();
    void tapATab();
    void back();
    void quickBackAfterATab();
    void closeTheDashboard();
    void answerTheClient();
    void logOut();
    void logOutWithTheDashboardOpen();
    void logIn();
    void logInAs(const std::string& player, const std::string& why);
    void switchAccount();
    void eMailLogin();
    void declineTheService();
    void enableFromTheDashboard();
    void maybeReturnWhileALoginRuns();
    // The device.
    void becomeActive();
    void backgroundAndForeground();
    void foreground();
    void memoryWarning();
    void networkGone();
    void networkBack();
    void relaunch();
    void killTheProcess();
    void timePasses();
    void clockMovedBack();
    void storeDamaged();
    // The service.
    void serviceKilled();
    void serviceRestarted();
    void answersLate();
    void answersPrompt();
    void presenceCut();
    void channelHearsItsEnd();
    void serviceErrors();
    void serviceErrorDocuments();
    void boardRetired();
    void secondDevice();
    void traceService();
    void reach();
    void serviceStarted();
    // Inside a callback.
    void armInsideACallback(std::string what, std::function<void()> action);
    void shutDownInsideACallback();
    void logOutInsideACallback();
    void logInInsideACallback();

    // ---- The roads every walk takes first (DeviceLifeWalkEveryWalk.cpp)

    void takeTheRoadsEveryWalkTakes();
    void settleTheRoad();
    void sendBatchOfThe(const std::vector<std::pair<std::string, std::optional<std::string>>>& entries,
                        std::vector<size_t>* sentAt);
    // The players the service keeps a score of the walk's as, comma-separated.
    std::string keptAs(const SentScore& s) const;
    void batchMeetsAClosedBoard();
    void piecesMeetAClosedBoard();
    void batchMeetsAClosedBoardIn(bool pieces);
    // The Heard of a batch: told kept, it is judged at once.
    platform::Ref<Heard> batchHeard();
    void uploadFailsThenABetterScore();
    void progressOfInfinity();
    void loginWhilePiecesWaitOf(const std::string& who);
    void loginWhilePiecesWait();
    void otherLoginWhilePiecesWait();
    void progressKeptOfflineAboveTheServices();
    void pickedAccountFailsAfterTheGamesLogin();
    void progressFailedGoesAfterTheNextLogin();
    void scoreWaitingForItsRunAsAnotherLogsIn();
    void scoreWhoseAnswerWasLost();

    // ---- What the game is told, judged as it is told (DeviceLifeWalkHeard.cpp)

    // The lines the service logged since the last look: the credentials a
    // form sent taken (its login must be heard), a bootstrap answered (it
    // brings the game's boards), the friends requests and their answers.
    void readTheServiceLines();
    // The game's friends calls of one kind (follow, stop following): those
    // sent, their requests that reached the service, those it answered with
    // success, and the successes the game heard. No call goes twice, and the
    // game hears no success the service did not answer. Counted afresh once
    // every call is answered.
    struct FriendsCalls {
        int sent { 0 }, reached { 0 }, answeredOk { 0 }, heardOk { 0 };
    };
    FriendsCalls friendsCalls[2]; // [1]: follow
    // A batch told kept: each score of it the device sent is kept by the
    // service now, as its player's, its texts whole and its blob announced.
    void judgeABatchToldKept(const Heard* heard);
    // The progress on `id` the device's store holds for the player the
    // client names to the game, read from its file (-1 when it cannot be read).
    double heldOnTheDevice(const std::string& id) const;
    // Progress at or below what the device holds is refused at once: no
    // success, no notice, nothing sent.
    void judgeProgressNotAbove(size_t at, double held, int noticesBefore);
    int achievementNotices { 0 };
    int achievementNoticesAsked { 0 }; // progress calls that asked for one
    bool storeFailing { false }; // the walk's disk refuses the store's calls now
    // The client numbers the requests it sends inside the presence channel
    // in the order it sends them; each connection reads them in that order.
    // Checked over the service's log, whose entries come in the order the
    // service's workers took them: the place of each on its connection is
    // compared with that of the last one read before it.
    void checkTheChannelsOrder(const std::vector<standin::LoggedRequest>& log);
    struct ChannelPlace {
        long long frame { 0 }, correlation { -1 };
        std::string what;
    };
    std::map<std::pair<int, std::string>, ChannelPlace> channelPlaces; // (service start, connection)
    // The player's answer to the approval question as the client gave it
    // when it last ended (not killed): the next launch gives the same.
    std::optional<bool> approvalAtQuit;
    // The game ends now: what it does inside a callback the end calls may answer otherwise (a logout declines).
    bool quitting { false };
    void noteTheApprovalAtQuit();
    void quitNoting();
    void checkTheApprovalAtLaunch();
    // A bootstrap the service answered with its boards since the store was
    // made anew: an online login heard after it brings them back.
    bool boardsOnTheirWay { false };

    // ---- Pace: the clock moves only while the network is quiet, answers land one by one

    // The network settled and the client's screens shown, until showing them sends nothing.
    void settleAndShow();
    // The clock moves `seconds`, split at every answer that falls due on the
    // way, each heard before the clock moves on.
    void pass(double seconds);
    // Every answer the service makes or holds for the clock lands (at most a minute of the clock).
    void letAnswersLand();
    void launchAgain();
    void forgetTheCallsOfAClientThatWent();
    void answerErrors(int steps, bool documents);

    // ---- Checks

    // After a settled step: no dashboard half shown, every call answered, every
    // login asked for heard, no loading overlay left, nothing kept twice.
    void checkSettled();
    void checkNothingKeptTwice();
    void checkNoOverlayLeft();
    // The open dashboard after a logout offers what a reopened one does.
    void checkTheDashboardAfterALogout();
    void endOnlineAndSettle();
    void checkNothingToldKeptIsMissing();
    void checkScores();
    static bool mayBeKeptAs(const SentScore& s, const std::string& who);
    bool outOfItsPlayersBestTen(const SentScore& s, const std::set<std::string>& owners) const;
    void checkProgress();
    void checkCloud();
    // What the service does not have yet waited on the device, in a store now lost.
    void exemptWhatTheStoreLost();
    // A score's blob as the storage host keeps it (compressed, with its header), in hex.
    static std::string storedForm(const platform::Bytes& blob);
    std::string kept(const std::string& sql) const;
    bool keepNow(const std::string& sql) const;

    // ---- Challenges (DeviceLifeWalkChallenges.cpp)

    // Challenges the game sends (refused at the call, cut, answered an error,
    // or sent), and challenges other players send the walk's player: the push
    // while the game runs shows their notice, the push the game is opened from
    // opens them.
    void challenges();
    void sendAChallenge();
    void sendAChallengeFromTheScreen();
    void receiveAChallenge(bool openIt);
    // What the game hears of challenges: QVChallenge's delegate and the challenge screens'.
    class ChallengeGame final : public quorvel::QVChallengeResourceDelegate, public quorvel::QVChallengeDelegate {
    public:
        explicit ChallengeGame(DeviceLifeWalkEndToEnd& walk) : walk(walk) { }
        ~ChallengeGame() override;
        bool respondsTo(Message m) const override
        {
            return m == Message::UserLaunchedChallenge || m == Message::UserSentChallenges
                || m == Message::SendChallengeScreenClosed;
        }
        void userSentChallenges() override { walk.challengesSentFromTheScreen(); }
        void didSendChallenge(quorvel::QVChallenge* c) override { walk.challengeAnswered(c, true); }
        void didFailSendChallenge(quorvel::QVChallenge* c) override { walk.challengeAnswered(c, false); }
        void userLaunchedChallenge(platform::Object* record, const std::optional<platform::Bytes>& data) override;
        DeviceLifeWalkEndToEnd& walk;
    };
    void challengeAnswered(quorvel::QVChallenge* c, bool sent);
    void challengeStarted(platform::Object* record, const std::optional<platform::Bytes>& data);
    void challengesSentFromTheScreen();
    // After a settled step: every send answered. A client that went answers none of its sends.
    void checkTheChallengesAnswered();
    bool tokenRefusedSince(size_t from) const;
    void forgetTheChallengesOfAClientThatWent();
    struct SentChallenge {
        std::string description; // its own: the service's row is found by it
        std::string holder;      // the sender as the walk names it ("?" unknown, "" none)
        std::vector<std::string> to;
        std::optional<platform::Bytes> data;
        platform::Ref<quorvel::QVChallenge> call;
        int step { 0 };
        int answers { 0 };
        bool mustFail { false }; // refused at the call, or with no service to reach
        bool forgotten { false };
    };
    std::vector<SentChallenge> sentChallenges;
    // The challenge on the send screen, until the game hears it sent.
    std::optional<SentChallenge> onTheScreen;
    // The data each challenge another player sent holds, by its record's id.
    std::map<std::string, platform::Bytes> receivedData;
    // When the game last heard a challenge's push: its notice may come a while later.
    double lastChallengePush { -1e9 };
    // A record opened from its push, waiting for the game to start it.
    std::string challengeOpened;
    ChallengeGame challengeGame { *this };

    // ---- The dashboard's long lists (DeviceLifeWalkListPages.cpp)

    // The player's pending challenges, or the players waiting for them to
    // follow back, grown past a page and walked through the load-more row to
    // the end: the rows are the service's for the player the list asked as,
    // each once, and the count says so.
    void listsOverPages();

    // ---- The device's store fails while open (DeviceLifeWalkStoreFails.cpp)

    // SQLite's file calls of this process pass through it from SetUp to
    // TearDown; only the client's store file (and its log) is ever refused.
    class FailingStore;
    std::shared_ptr<FailingStore> failingStore;
    void passTheStoreThroughTheWalksDisk();
    void letTheStoreGoToItsOwnDisk();
    // For one game call a few of the store's reads, writes or syncs fail (an
    // I/O error, a full disk), then the disk works again.
    void storeFailsWhileOpen();
    // A road every walk takes: the store removed while the game runs with a
    // score waiting in it, the disk full as the client makes it again.
    void storeRemovedAsTheDiskIsFull();

    // ---- The service refuses a token the device keeps (DeviceLifeWalkRefusedToken.cpp)

    // The service forgets the tokens of the player the client acts as (or of
    // the walk's player while the client is not running): a request signed
    // with one is answered 401 from then on, and the client must let the
    // token go and log in again. Half the time the game sends a score at once.
    void serviceRefusesTheToken();
    // At a settled step: no request signed with a token whose refusal the
    // client heard before the last settled step (in this launch of it).
    void checkNoRefusedTokenKept();
    // A login signed with a refused token: the client asks it again with the
    // game's key, so the refused attempt is not a login of its own.
    static bool refusedLogin(const standin::LoggedRequest& r);
    // A request refused for the token the client holds: the client logs its
    // player in again (once a token), which the game may hear, online or not.
    void noteARefusal(const standin::LoggedRequest& r);
    std::set<std::string> refusalsAskedALogin;
    // The player whose refused token owes a login again, until a login is seen.
    std::optional<std::string> owedLoginAgain;
    // A login after a refusal, with no other asked for: it must be of the
    // refused player (a failure says so, and the login is not followed).
    bool wrongLoginAfterARefusal(const standin::LoggedRequest& r);
    // The service's log goes with it: the refusals it holds are noted first.
    void noteRefusalsBeforeTheServiceGoes();
    // Refused tokens the client has heard refused, with the step that saw it.
    std::map<std::string, int> refusalsHeard;
    // The presence channel at the last look (its service's, its connections
    // so far): a refusal inside a channel cut since may not have reached the client.
    const void* channelAtTheLastLook { nullptr };
    int channelConnectionsAtTheLastLook { -1 };

    // ---- Helpers

    size_t draw(size_t n) { return n ? static_cast<size_t>(random() % n) : 0; }
    std::string otherPlayer() const;
    bool clientRunning() const;
    bool goesAtOnce() const;
    std::string situation() const;
    void note(const std::string& line);
    bool tapNow(const std::string& title);
    bool tapNowAsking(const std::string& title, bool held);
    bool showsNow(const std::string& text) const { return shows(text); }
    static std::vector<platform::ui::Label*> labelsIn(platform::ui::View* view);
    platform::ui::TableViewCell* rowNamed(const std::string& text);
    std::string udid() const;
    // The player's answer to the approval question, as the device keeps it.
    static bool approved();
    // Lines the service logged since the last look (from its threads).
    std::vector<std::string> takeServiceLines();

    WalkGame walkGame { *this };
    platform::Ref<platform::ManualReachability> network;
    standin::StorageHostStandIn storage;
    int storagePort { 0 };
    std::string storePath; // the service's store, also while it is down
    bool serviceWanted { true }, networkUp { true }, clientWent { false };
    int lateSteps { 0 }, clockBackSteps { 0 };
    bool errorsScripted { false };
    uint32_t seed { 0 };
    int serviceStarts { 0 };
    int stepNumber { 0 };
    std::mt19937 random;
    std::deque<std::string> trail;
    std::mutex serviceLinesLock;
    std::vector<std::string> serviceLines;

    const std::string normal = std::to_string(standin::StandInState::kNormalLeaderboard);
    const std::string fastestLap = std::to_string(standin::StandInState::kFastestLapLeaderboard);
    const std::string bonus = "7"; // a board the service retires on the way
    // The game's achievements: the two seeded and more of the walk's own, from 11 on.
    static constexpr int kAchievements = 8;
    bool bonusRetired { false };
    std::string ownPlayer, rival, zed;
    std::map<std::string, std::string> names, emails;
    int64_t sentValues { 0 };
    // The service's scores from before the walk (the seeded game's, another
    // player's 900 on Normal among them) are not the walk's, whatever their
    // values: its own rows have higher ids.
    int64_t scoresBeforeTheWalk { 0 };
    std::string onlyTheWalks(const std::string& table = "high_scores") const;
    std::vector<SentScore> scores;
    std::vector<SentProgress> progress;
    std::map<CloudKey, std::vector<CloudWrite>> cloud;
    std::vector<platform::Ref<Heard>> calls; // those still to be answered, until the client goes
    int friendsAsked { 0 }, friendsAnswers { 0 };
    // The device's store was lost: it knows no board until its next login.
    bool storeFresh { false };

    Shown shown { Shown::Closed };
    int dashboardCalls { 0 }, dashboardCallsAtLastCheck { -1 };
    // A logout with the dashboard open, waiting for the settle to look at what it shows.
    bool dashboardOpenOverALogout { false };
    struct Armed {
        std::string callback;
        std::function<void()> action;
    } armed;
};

} // namespace walk_testing
