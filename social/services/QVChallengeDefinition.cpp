// Challenge definitions, their statistics and the definition service.
#include "social/services/QVChallengeDefinition.h"

#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVResourceImageDownload.h"
#include "social/runtime/QVSessionRole.h"

namespace quorvel {

using platform::Ref;

namespace {
const QVServiceEndpoint kIndex { "GET", "challenge_definitions.xml", 0, nullptr };
const QVServiceEndpoint kShow { "GET", "challenge_definitions/%@.xml", 0, nullptr };
const QVServiceEndpoint kStats { "GET", "challenge_definitions.xml", 2,
                                 QVChallengeDefinitionService::kDownloadingChallengeInformation };

std::vector<Ref<QVChallengeDefinition>> definitionsIn(platform::Object* object)
{
    std::vector<Ref<QVChallengeDefinition>> out;
    if (auto* series = dynamic_cast<QVPaginatedSeries*>(object)) {
        for (const auto& item : series->objects())
            if (auto* d = dynamic_cast<QVChallengeDefinition*>(item.get()))
                out.emplace_back(d);
    }
    return out;
}
} // namespace

// -- the service ----------------------------------------------------------------------------

void QVChallengeDefinitionService::populateKnownResources(QVResourceNameMap& names)
{
    names.addResource<QVChallengeDefinition>(QVChallengeDefinition::getResourceName());
    names.addResource<QVChallengeDefinitionStats>(QVChallengeDefinitionStats::getResourceName());
}

Ref<QVRequestHandle> QVChallengeDefinitionService::getIndexOnSuccess(const QVDelegate& onSuccess,
                                                                     const QVDelegate& onFailure)
{
    return send(kIndex, {}, nullptr, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVChallengeDefinitionService::getChallengeDefinitionIndex(const QVDelegate& onSuccess,
                                                                               const QVDelegate& onFailure)
{
    return service().getIndexOnSuccess(onSuccess, onFailure);
}

Ref<QVRequestHandle> QVChallengeDefinitionService::getChallengeDefinitionWithId(const std::string& definitionId,
                                                                                const QVDelegate& onSuccess,
                                                                                const QVDelegate& onFailure)
{
    return service().send(kShow, { definitionId }, nullptr, onSuccess, onFailure);
}

void QVChallengeDefinitionService::getChallengeDefinitionStatsForLocalUser(
    int page, const std::optional<std::string>& clientApplicationId, const std::string& comparedToUserId,
    const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    bool stats = true;
    int perPage = kStatsPerPage;
    std::string application = clientApplicationId ? *clientApplicationId
                                                  : QVSessionRole::current().clientApplicationId();
    params->io("challenge_definition_stats", stats);
    params->io("per_page", perPage);
    params->io("page", page);
    params->io("client_application_id", application);
    if (!comparedToUserId.empty()) {
        std::string compared = comparedToUserId;
        params->io("compared_user_id", compared);
    }
    service().send(kStats, {}, params.get(), onSuccess, onFailure);
}

void QVChallengeDefinitionService::getChallengeDefinitionStatsForLocalUser(
    int page, const std::optional<std::string>& clientApplicationId, const QVDelegate& onSuccess,
    const QVDelegate& onFailure)
{
    getChallengeDefinitionStatsForLocalUser(page, clientApplicationId, std::string(), onSuccess, onFailure);
}

// -- the definition -------------------------------------------------------------------------

void QVChallengeDefinition::getDataMap(QVResourceDataMap& map)
{
    using T = QVChallengeDefinition;
    QVResourceFields<T> f(map);
    f.field<QVFieldText>("name", &T::title_);
    f.field<QVFieldText>("client_application_id", &T::clientApplicationId_);
    f.field<QVFieldText>("image_url", &T::iconUrl_);
    f.field<QVFieldBool>("multi_attempt", &T::multiAttempt_);
}

QVChallengeDefinition::~QVChallengeDefinition() = default;

void QVChallengeDefinition::setDelegate(QVChallengeDefinitionDelegate* delegate)
{
    QVChallengeDefinitionClass::setDelegate(delegate);
}

Ref<QVRequestHandle> QVChallengeDefinition::downloadChallengeDefinitionWithId(const std::string& definitionId)
{
    auto& c = QVChallengeDefinitionClass::classObject();
    return QVChallengeDefinitionClass::file(QVChallengeDefinitionService::getChallengeDefinitionWithId(
        definitionId, QVDelegate(&c, BRISKO_SELECTOR(QVChallengeDefinitionClass, _downloadDefinitionSuccess)),
        QVDelegate(&c, BRISKO_SELECTOR(QVChallengeDefinitionClass, _downloadDefinitionFailure))));
}

Ref<QVRequestHandle> QVChallengeDefinition::downloadAllChallengeDefinitions()
{
    auto& c = QVChallengeDefinitionClass::classObject();
    return QVChallengeDefinitionClass::file(QVChallengeDefinitionService::getChallengeDefinitionIndex(
        QVDelegate(&c, BRISKO_SELECTOR(QVChallengeDefinitionClass, _downloadAllSuccess)),
        QVDelegate(&c, BRISKO_SELECTOR(QVChallengeDefinitionClass, _downloadAllFailure))));
}

void QVChallengeDefinitionClass::_downloadDefinitionSuccess(platform::Object* series)
{
    auto definitions = definitionsIn(series);
    if (definitions.empty()) {
        _downloadDefinitionFailure(nullptr);
        return;
    }
    notify([&](QVChallengeDefinitionDelegate& d) { d.didDownloadChallengeDefinition(definitions.front().get()); });
}

void QVChallengeDefinitionClass::_downloadDefinitionFailure(platform::Object*)
{
    notify([](QVChallengeDefinitionDelegate& d) { d.didFailDownloadChallengeDefinition(); });
}

void QVChallengeDefinitionClass::_downloadAllSuccess(platform::Object* series)
{
    auto definitions = definitionsIn(series);
    if (definitions.empty()) {
        _downloadAllFailure(nullptr);
        return;
    }
    notify([&](QVChallengeDefinitionDelegate& d) { d.didDownloadAllChallengeDefinitions(definitions); });
}

void QVChallengeDefinitionClass::_downloadAllFailure(platform::Object*)
{
    notify([](QVChallengeDefinitionDelegate& d) { d.didFailDownloadChallengeDefinitions(); });
}

Ref<QVRequestHandle> QVChallengeDefinition::getIcon()
{
    return QVChallengeDefinitionClass::file(picture_.fetch(this, iconUrl_, [this](platform::Image* image) {
        if (image)
            QVChallengeDefinitionClass::notify([&](QVChallengeDefinitionDelegate& d) { d.didGetIcon(image, this); });
        else
            QVChallengeDefinitionClass::notify(
                [&](QVChallengeDefinitionDelegate& d) { d.getFailGetIconQVChallengeDefinition(this); });
    }));
}

// -- statistics -----------------------------------------------------------------------------

void QVChallengeDefinitionStats::getDataMap(QVResourceDataMap& map)
{
    using T = QVChallengeDefinitionStats;
    QVResourceFields<T> f(map);
    f.nested("challenge_definition", &T::challengeDefinition_);
    f.read<QVFieldInteger>("local_users_wins", &T::localUsersWins_);
    f.read<QVFieldInteger>("local_users_losses", &T::localUsersLosses_);
    f.read<QVFieldInteger>("local_users_ties", &T::localUsersTies_);
    f.custom("compared_users_wins", &T::setComparedUsersWins);
    f.custom("compared_users_losses", &T::setComparedUsersLosses);
}

void QVChallengeDefinitionStats::setComparedUsersWins(const std::string& text)
{
    if (text.empty())
        return;
    comparison_ = true;
    comparedUsersWins_ = QVFieldInteger::read(text);
}

void QVChallengeDefinitionStats::setComparedUsersLosses(const std::string& text)
{
    if (text.empty())
        return;
    comparison_ = true;
    comparedUsersLosses_ = QVFieldInteger::read(text);
}

} // namespace quorvel
