// The high-score map: its requests, pins, callouts and the refresh button.
#include "social/dashboard/scores/QVHighScoreMapViewController.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Format.h"
#include "platform/graphics/Font.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/InterfaceRegistry.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVLeaderboard_Sync.h"
#include "social/services/QVUser.h"
#include "social/ui/QVKitImages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Point;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVHighScoreMapViewController);

namespace {

Ref<Location> playerLocation()
{
    auto where = QuorvelInternal::sessionRole().userLocation();
    return where ? Location::withLatitude(where->first, where->second) : nullptr;
}

bool isLastLoggedInUser(const QVUser* user)
{
    return user && !user->resourceId().empty() && user->resourceId() == QuorvelInternal::sessionRole().lastLoggedInUserId();
}

// The longitude difference the short way round the globe.
double longitudeDistance(double a, double b)
{
    double d = std::fabs(a - b);
    return d > 180 ? 360 - d : d;
}

// The screen is loaded by the name "Mapping": its layout makes the controller, whose view is built in code.
[[maybe_unused]] const bool mappingLayoutRegistered = [] {
    InterfaceRegistry::shared().registerLayout("MappingControllerQv", [](InterfaceBuilder& b) {
        return std::vector<Ref<Object>> { b.makeController<QVHighScoreMapViewController>() };
    });
    return true;
}();

} // namespace

// ---------------------------------------------------------------------------
// Pins

Ref<QVHighScoreAnnotation> QVHighScoreAnnotation::initWithHighScore(QVHighScore* score, QVLeaderboard_Sync* leaderboardInfo)
{
    Ref<QVHighScoreAnnotation> a = platform::adoptRef(new QVHighScoreAnnotation);
    a->highScore_ = Ref<QVHighScore>(score);
    a->leaderboardInfo_ = Ref<QVLeaderboard_Sync>(leaderboardInfo);
    const bool other = score && score->user() && !score->user()->isLocalUser();
    if (other) {
        a->rankBadge_ = QVBadgeView::greenBadge();
        a->coordinate_ = { score->latitude(), score->longitude() };
    } else {
        a->rankBadge_ = QVBadgeView::redBadge();
        if (Ref<Location> here = playerLocation())
            a->coordinate_ = here->coordinate();
        else if (score)
            a->coordinate_ = { score->latitude(), score->longitude() };
    }
    a->rankBadge_->setCenter(Point(15, -15));
    a->setBadgeFromRank(score ? score->rank() : 0);
    return a;
}

// Only ranks 1 to 9 fit the badge; any other shows "-".
void QVHighScoreAnnotation::setBadgeFromRank(int rank)
{
    if (rank >= 1 && rank <= 9)
        rankBadge_->setValue(rank);
    else
        rankBadge_->setValueText("-");
}

void QVHighScoreAnnotation::setScore(QVHighScore* score, bool useScoreLocation)
{
    highScore_ = Ref<QVHighScore>(score);
    setBadgeFromRank(score ? score->rank() : 0);
    Ref<Location> here = playerLocation();
    // Without the player's location the score's own place stands in.
    if (here)
        coordinate_ = here->coordinate();
    else if (score)
        coordinate_ = { score->latitude(), score->longitude() };
    if (useScoreLocation && score) {
        if (score->latitude() != 0)
            coordinate_.latitude = score->latitude();
        if (score->longitude() != 0)
            coordinate_.longitude = score->longitude();
    }
}

std::string QVHighScoreAnnotation::title() const
{
    std::string name = Quorvel::lastLoggedInUserName();
    std::string distance;
    if (highScore_) {
        if (highScore_->user())
            name = highScore_->user()->name();
        // The distance needs the player's place; without it none is shown.
        if (Ref<Location> here = playerLocation()) {
            const double metres = greatCircleDistance(here->coordinate(), { highScore_->latitude(), highScore_->longitude() });
            if (QuorvelInternal::options().userDistanceUnit() == QVDistanceUnit::LocationShared)
                distance = platform::format(" [%.1f %s]", metres * QVHighScoreMapViewController::kMilesPerMetre, "miles");
            else
                distance = platform::format(" [%.1f %s]", metres / 1000, "kms");
        }
    }
    return name + distance;
}

std::string QVHighScoreAnnotation::subtitle() const
{
    if (!highScore_ || highScore_->rank() < 1)
        return "No Score";
    return "Rank in area " + std::to_string(highScore_->rank()) + ". " + highScore_->displayText();
}

int QVHighScoreAnnotation::compareScores(const QVHighScoreAnnotation& other) const
{
    const int64_t mine = highScore_ ? highScore_->score() : 0;
    const int64_t theirs = other.highScore_ ? other.highScore_->score() : 0;
    if (mine == theirs)
        return 0;
    const bool descending = leaderboardInfo_ && leaderboardInfo_->descendingSortOrder();
    return (descending ? mine > theirs : mine < theirs) ? -1 : 1;
}

void QVHighScoreAnnotation::updateRankBadge() { rankBadge_->setValue(rank_); }

Ref<QVHighScoreAnnotationView> QVHighScoreAnnotationView::withAnnotation(QVHighScoreAnnotation* annotation)
{
    Ref<QVHighScoreAnnotationView> v = platform::adoptRef(new QVHighScoreAnnotationView);
    v->initWithAnnotation(annotation, kReuseIdentifier);
    return v;
}

bool QVHighScoreAnnotationView::initWithAnnotation(MapAnnotation* annotation, const std::string& reuseIdentifier)
{
    if (!AnnotationView::initWithAnnotation(annotation, reuseIdentifier))
        return false;
    setEnabled(true);
    setCanShowCallout(true);
    setImage(QVLoadKitImage("QVBlankIcon.png").get());
    setHighScoreAnnotation(dynamic_cast<QVHighScoreAnnotation*>(annotation));
    setRightCalloutAccessoryView(Button::buttonWithType(Button::Type::DetailDisclosure).get());
    return true;
}

void QVHighScoreAnnotationView::setHighScoreAnnotation(QVHighScoreAnnotation* annotation)
{
    setAnnotation(annotation);
    QVHighScore* score = annotation ? annotation->_highScore() : nullptr;
    const QVUser* user = score ? score->user().get() : nullptr;
    profilePictureView_ = QVImageView::imageViewWithFrame(Rect(0, 0, 30, 30));
    profilePictureView_->setShouldScaleImageToFillRect(true);
    profilePictureView_->useProfilePictureFromUser(user);
    setLeftCalloutAccessoryView(profilePictureView_.get());
    if (mapImageView_)
        mapImageView_->removeFromSuperview();
    const Point offset = centerOffset();
    mapImageView_ = QVImageView::imageViewWithFrame(Rect(offset.x - 15, offset.y - 15, 30, 30));
    mapImageView_->setShouldScaleImageToFillRect(true);
    mapImageView_->useProfilePictureFromUser(user);
    addSubview(mapImageView_.get());
    if (annotation && annotation->rankBadge())
        addSubview(annotation->rankBadge());
}

// ---------------------------------------------------------------------------
// Screen

QVHighScoreMapViewController::~QVHighScoreMapViewController()
{
    if (mapView_) {
        for (auto& a : annotations_)
            mapView_->removeAnnotation(a.get());
        mapView_->setDelegate(nullptr);
    }
}

void QVHighScoreMapViewController::loadView()
{
    Rect bounds = QuorvelInternal::dashboardRole().getDashboardBounds();
    Ref<View> root = View::viewWithFrame(Rect(0, 0, bounds.size.width, bounds.size.height));
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    mapView_ = MapView::mapViewWithFrame(root->bounds());
    mapView_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->addSubview(mapView_.get());
    refreshButton_ = QVDefaultButton::greenButton(Rect((bounds.size.width - 120) / 2, 10, 120, 32));
    refreshButton_->setTitleForAllStates("Refresh");
    refreshButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVHighScoreMapViewController, _clickedRefresh)), TouchUpInside);
    root->addSubview(refreshButton_.get());
    setView(root.get());
}

void QVHighScoreMapViewController::viewDidLoad()
{
    QVViewController::viewDidLoad();
    findMeButton_ = QVDefaultButton::greenButton(Rect(0, 0, 100, 10));
    if (findMeButton_->titleLabel())
        findMeButton_->titleLabel()->setFont(platform::Font::fontWithName("Helvetica-Bold", 13).get());
    findMeButton_->setTitle("Find Me", StateNormal);
    findMeButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVHighScoreMapViewController, findMe)), TouchUpInside);
    navigationItem()->setRightBarButtonItem(BarButtonItem::withCustomView(findMeButton_.get()).get());
    setTitle("Near Me");
    mapView_->setMapType(MapView::MapType::Standard);
    mapView_->setDelegate(this);
    setRefreshShown(false);
    refreshButton_->removeFromSuperview();
    mapView_->addSubview(refreshButton_.get());
    locationOfUser_ = playerLocation();
    receivedScores_ = false;
    zoomToLocation_ = true;
}

void QVHighScoreMapViewController::setRefreshShown(bool shown)
{
    if (!refreshButton_)
        return;
    refreshButton_->setEnabled(shown);
    refreshButton_->setHidden(!shown);
}

void QVHighScoreMapViewController::setLeaderboard(const std::string& leaderboardId)
{
    leaderboardInfo_ = QVLeaderboardService::getLeaderboardDetails(leaderboardId);
    leaderboardId_ = leaderboardId;
    annotationForUser_ = QVHighScoreAnnotation::initWithHighScore(nullptr, leaderboardInfo_.get());
}

void QVHighScoreMapViewController::getScores() { doIndexAction(nullptr, kDefaultRadius, "location"); }

void QVHighScoreMapViewController::findMe()
{
    zoomToLocation_ = true;
    doIndexAction(locationOfUser_.get(), kDefaultRadius, "location");
}

void QVHighScoreMapViewController::doIndexAction(Location* location, int radius, const std::string& userMapMode)
{
    locationOfCenter_ = Ref<Location>(location);
    setRefreshShown(false);
    showLoadingScreen();
    QVHighScoreService::getHighScoresFromLocation(
        location, radius, 1, leaderboardId_, userMapMode,
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVHighScoreMapViewController, loadAnnotationsFromHighScores))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVHighScoreMapViewController, _loadFailed))));
    receivedScores_ = false;
}

// A failed request leaves the pins; the screen stops waiting and judges region changes again.
void QVHighScoreMapViewController::_loadFailed(Object*)
{
    hideLoadingScreen();
    receivedScores_ = true;
}

void QVHighScoreMapViewController::loadAnnotationsFromHighScores(Object* answer)
{
    auto* series = requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series");
    if (!mapView_) {
        // The view is not loaded: nothing to show the pins on yet.
        (void)view();
    }
    for (auto& a : annotations_)
        mapView_->removeAnnotation(a.get());
    annotations_.clear();
    annotations_.reserve(10);

    double largestLatitude = 0;
    double largestLongitude = 0;
    bool first = true;
    for (const auto& o : series->objects()) {
        auto* score = dynamic_cast<QVHighScore*>(o.get());
        if (!score)
            continue;
        if (!locationOfCenter_ && first)
            locationOfCenter_ = Location::withLatitude(score->latitude(), score->longitude());
        first = false;
        Ref<QVHighScoreAnnotation> pin;
        if (isLastLoggedInUser(score->user().get()) && annotationForUser_) {
            pin = annotationForUser_;
            pin->setScore(score, true);
        } else {
            pin = QVHighScoreAnnotation::initWithHighScore(score, leaderboardInfo_.get());
        }
        annotations_.push_back(pin);
        if (zoomToLocation_ && locationOfCenter_) {
            const LocationCoordinate2D& c = locationOfCenter_->coordinate();
            largestLatitude = std::max(largestLatitude, std::fabs(c.latitude - score->latitude()));
            largestLongitude = std::max(largestLongitude, longitudeDistance(c.longitude, score->longitude()));
        }
    }
    for (auto& a : annotations_)
        mapView_->addAnnotation(a.get());

    if (zoomToLocation_) {
        CoordinateRegion region;
        region.center = annotationForUser_ ? annotationForUser_->coordinate()
                                           : (locationOfCenter_ ? locationOfCenter_->coordinate() : LocationCoordinate2D {});
        region.span.latitudeDelta = largestLatitude == 0 ? 0.5 : largestLatitude * 2 + 0.001;
        region.span.longitudeDelta = largestLongitude == 0 ? 0.5 : largestLongitude * 2 + 0.001;
        mapView_->setRegion(region, true);
        dontShowit_ = 3;
        zoomToLocation_ = false;
    }
    setBoundaryCoordinates();
    hideLoadingScreen();
    setRefreshShown(false);
    receivedScores_ = true;
}

void QVHighScoreMapViewController::setBoundaryCoordinates()
{
    const CoordinateRegion& r = mapView_->region();
    boundaryCoordNE_ = { r.center.latitude + r.span.latitudeDelta * 0.5, r.center.longitude + r.span.longitudeDelta * 0.5 };
    boundaryCoordSW_ = { r.center.latitude - r.span.latitudeDelta * 0.5, r.center.longitude - r.span.longitudeDelta * 0.5 };
    locationOfCenter_ = Location::withCoordinate(r.center);
    const double toNorth = greatCircleDistance(r.center, { boundaryCoordNE_.latitude, r.center.longitude });
    const double toEast = greatCircleDistance(r.center, { r.center.latitude, boundaryCoordNE_.longitude });
    smallestBoarderDistance_ = std::min(toNorth, toEast) * kMilesPerMetre;
}

bool QVHighScoreMapViewController::isNewCoordinateInsideView()
{
    const LocationCoordinate2D c = mapView_->centerCoordinate();
    if (!(c.latitude > boundaryCoordSW_.latitude && c.latitude < boundaryCoordNE_.latitude))
        return false;
    double west = boundaryCoordSW_.longitude;
    double east = boundaryCoordNE_.longitude;
    // A region as wide as the globe holds every longitude (wrapped, its corners would meet).
    if (east - west >= 360)
        return true;
    // Stored corners past the date line are brought back onto the globe first.
    if (west < -180)
        west += 360;
    if (east >= 180)
        east -= 360;
    if (west > east)
        return c.longitude < east || c.longitude > west;
    return c.longitude > west && c.longitude < east;
}

void QVHighScoreMapViewController::determineIfResetShouldShow()
{
    const CoordinateRegion& r = mapView_->region();
    const LocationCoordinate2D corner { r.center.latitude + r.span.latitudeDelta * 0.5,
                                        r.center.longitude + r.span.longitudeDelta * 0.5 };
    const double halfDiagonal = greatCircleDistance(r.center, corner) * kMilesPerMetre;
    bool show = false;
    if (dontShowit_ < 1) {
        if (!isNewCoordinateInsideView()) {
            show = true;
        } else if (halfDiagonal < 1000 && locationOfCenter_) {
            const double moved = greatCircleDistance(r.center, locationOfCenter_->coordinate()) * kMilesPerMetre;
            const double toCorner = greatCircleDistance(locationOfCenter_->coordinate(), boundaryCoordNE_) * kMilesPerMetre;
            show = moved > 0.9 * smallestBoarderDistance_ || toCorner > 1.5 * halfDiagonal || halfDiagonal > 1.5 * toCorner;
        }
    }
    if (show) {
        setRefreshShown(true);
    } else {
        setRefreshShown(false);
        --dontShowit_;
    }
}

void QVHighScoreMapViewController::_clickedRefresh()
{
    setBoundaryCoordinates();
    const Rect b = mapView_->bounds();
    auto within = [&](Point p) { return p.x > 0 && p.x <= b.size.width && p.y > 0 && p.y <= b.size.height; };
    std::string mode = "no";
    if (annotationForUser_) {
        const LocationCoordinate2D own = annotationForUser_->coordinate();
        const Point ownPoint = mapView_->convertCoordinateToPoint(own, mapView_.get());
        bool playerShown = false;
        bool ownPinAtPlayer = false;
        if (locationOfUser_) {
            const LocationCoordinate2D here = locationOfUser_->coordinate();
            playerShown = within(mapView_->convertCoordinateToPoint(here, mapView_.get()));
            ownPinAtPlayer = std::fabs(here.latitude - own.latitude) < 1e-6 && std::fabs(here.longitude - own.longitude) < 1e-6;
        }
        if (playerShown && ownPinAtPlayer)
            mode = "location";
        else if (within(ownPoint))
            mode = "score";
    }
    const int radius = std::max(1, static_cast<int>(std::lround(smallestBoarderDistance_ * 1.25)));
    doIndexAction(locationOfCenter_.get(), radius, mode);
}

Ref<AnnotationView> QVHighScoreMapViewController::getAnnotationView(MapAnnotation* annotation)
{
    auto* pin = dynamic_cast<QVHighScoreAnnotation*>(annotation);
    if (!pin)
        return nullptr;
    Ref<AnnotationView> reused = mapView_->dequeueReusableAnnotationViewWithIdentifier(QVHighScoreAnnotationView::kReuseIdentifier);
    if (auto* view = dynamic_cast<QVHighScoreAnnotationView*>(reused.get())) {
        view->setHighScoreAnnotation(pin);
        return reused;
    }
    return QVHighScoreAnnotationView::withAnnotation(pin);
}

QVHighScoreAnnotation* QVHighScoreMapViewController::getAnnotationForHighScore(QVHighScore* score)
{
    if (!score)
        return nullptr;
    if (isLastLoggedInUser(score->user().get()))
        return annotationForUser_.get();
    for (auto& a : annotations_)
        if (a->_highScore() && a->_highScore()->resourceId() == score->resourceId())
            return a.get();
    return nullptr;
}

void QVHighScoreMapViewController::mapViewAnnotationViewCalloutAccessoryControlTapped(MapView*, AnnotationView* view, Control* control)
{
    auto* pin = view ? dynamic_cast<QVHighScoreAnnotation*>(view->annotation()) : nullptr;
    if (!dynamic_cast<Button*>(control) || !pin || !pin->_highScore())
        return;
    QVDashboardSwitch::showProfileForUser(pin->_highScore()->user().get());
}

void QVHighScoreMapViewController::mapViewDidFinishLoadingMap(MapView*)
{
    if (receivedScores_)
        determineIfResetShouldShow();
}

void QVHighScoreMapViewController::mapViewRegionDidChangeAnimated(MapView*, bool)
{
    if (receivedScores_)
        determineIfResetShouldShow();
}

bool QVHighScoreMapViewController::performSetter(const std::string& setterName, Object* value)
{
    if (setterName == "setLeaderboard") {
        auto* boxed = dynamic_cast<platform::Boxed*>(value);
        setLeaderboard(boxed ? boxed->value().asString() : std::string());
        return true;
    }
    if (setterName == "getScores") {
        getScores();
        return true;
    }
    return QVViewController::performSetter(setterName, value);
}

} // namespace quorvel
