// The high-score map, titled "Near Me": the scores of one leaderboard posted
// near a place, one pin a score with the player's picture and a rank badge,
// and a pin of the player's own score. The screen asks for the scores within
// a radius of a point; a refresh button appears once the visible region has
// moved or zoomed far enough from the region of the last answer, and "Find
// Me" asks again around the player.
//
// Distances between the map's centre and a score are taken on the sphere's
// grid as they are: the latitude difference, and the longitude difference the
// short way round, so answers that straddle the equator or the date line zoom
// to fit them.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/MapView.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVLeaderboard_Sync.h"
#include "social/ui/QVBadgeView.h"
#include "social/ui/QVDefaultButton.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVViewController.h"

#include <string>
#include <vector>

namespace quorvel {


class QVHighScoreAnnotation final : public platform::ui::MapAnnotation {
public:
    // Null score: the player's own pin before its score is known.
    static platform::Ref<QVHighScoreAnnotation> initWithHighScore(QVHighScore* score, QVLeaderboard_Sync* leaderboardInfo);

    QVHighScore* _highScore() const { return highScore_.get(); }
    int rank() const { return rank_; }
    void setRank(int rank) { rank_ = rank; }
    QVBadgeView* rankBadge() const { return rankBadge_.get(); }
    QVLeaderboard_Sync* leaderboardInfo() const { return leaderboardInfo_.get(); }

    // With useScoreLocation, the score's non-zero latitude and longitude
    // replace the player's location.
    void setScore(QVHighScore* score, bool useScoreLocation);
    platform::ui::LocationCoordinate2D coordinate() const override { return coordinate_; }
    std::string title() const override;
    std::string subtitle() const override;
    // -1: this one orders first (the better score by the leaderboard's sort order).
    int compareScores(const QVHighScoreAnnotation& other) const;
    void updateRankBadge();

private:
    QVHighScoreAnnotation() = default;
    void setBadgeFromRank(int rank);

    platform::Ref<QVHighScore> highScore_;
    int rank_ { 0 };
    platform::Ref<QVBadgeView> rankBadge_;
    platform::Ref<QVLeaderboard_Sync> leaderboardInfo_;
    platform::ui::LocationCoordinate2D coordinate_;
};

class QVHighScoreAnnotationView final : public platform::ui::AnnotationView {
public:
    static constexpr const char* kReuseIdentifier = "HighScoreAnnotationView";
    static platform::Ref<QVHighScoreAnnotationView> withAnnotation(QVHighScoreAnnotation* annotation);

    bool initWithAnnotation(platform::ui::MapAnnotation* annotation, const std::string& reuseIdentifier) override;
    void setHighScoreAnnotation(QVHighScoreAnnotation* annotation);
    QVImageView* profilePictureView() const { return profilePictureView_.get(); }
    QVImageView* mapImageView() const { return mapImageView_.get(); }

private:
    QVHighScoreAnnotationView() = default;

    platform::Ref<QVImageView> profilePictureView_;
    platform::Ref<QVImageView> mapImageView_;
};

class QVHighScoreMapViewController : public QVViewController, public platform::ui::MapViewDelegate {
    QV_DECLARE_CLASS(QVHighScoreMapViewController)
public:
    static constexpr int kDefaultRadius = 100;
    static constexpr double kMilesPerMetre = 0.000621371;

    platform::ui::MapView* mapView() const { return mapView_.get(); }
    QVDefaultButton* refreshButton() const { return refreshButton_.get(); }
    QVDefaultButton* findMeButton() const { return findMeButton_.get(); }
    QVHighScoreAnnotation* annotationForUser() const { return annotationForUser_.get(); }
    const std::vector<platform::Ref<QVHighScoreAnnotation>>& annotations() const { return annotations_; }
    platform::ui::Location* locationOfUser() const { return locationOfUser_.get(); }
    platform::ui::Location* locationOfCenter() const { return locationOfCenter_.get(); }
    const std::string& leaderboardId() const { return leaderboardId_; }
    bool receivedScores() const { return receivedScores_; }
    int dontShowit() const { return dontShowit_; }
    double smallestBoarderDistance() const { return smallestBoarderDistance_; }

    void setLeaderboard(const std::string& leaderboardId);
    void getScores();
    void findMe();
    void doIndexAction(platform::ui::Location* location, int radius, const std::string& userMapMode);
    void loadAnnotationsFromHighScores(platform::Object* series);
    void _loadFailed(platform::Object*);
    void _clickedRefresh();
    void setBoundaryCoordinates();
    bool isNewCoordinateInsideView();
    void determineIfResetShouldShow();
    platform::Ref<platform::ui::AnnotationView> getAnnotationView(platform::ui::MapAnnotation* annotation);
    QVHighScoreAnnotation* getAnnotationForHighScore(QVHighScore* score);
    void rankVisibleAnnotations() { }

    void loadView() override;
    void viewDidLoad() override;
    bool canReceiveCallbacksNow() override { return true; }
    bool performSetter(const std::string& setterName, platform::Object* value) override;

    platform::Ref<platform::ui::AnnotationView> mapViewViewForAnnotation(platform::ui::MapView*, platform::ui::MapAnnotation* a) override
    {
        return getAnnotationView(a);
    }
    void mapViewAnnotationViewCalloutAccessoryControlTapped(platform::ui::MapView*, platform::ui::AnnotationView* view,
                                                            platform::ui::Control* control) override;
    void mapViewDidFinishLoadingMap(platform::ui::MapView*) override;
    void mapViewRegionDidChangeAnimated(platform::ui::MapView*, bool) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVHighScoreMapViewController() = default;
    ~QVHighScoreMapViewController() override;

private:
    void setRefreshShown(bool shown);

    platform::Ref<platform::ui::MapView> mapView_;
    platform::Ref<platform::ui::Location> locationOfUser_;
    platform::Ref<QVLeaderboard_Sync> leaderboardInfo_;
    std::string leaderboardId_;
    platform::Ref<QVHighScoreAnnotation> annotationForUser_;
    bool receivedScores_ { false };
    bool zoomToLocation_ { true };
    platform::Ref<platform::ui::Location> locationOfCenter_;
    double smallestBoarderDistance_ { 0 };
    platform::Ref<QVDefaultButton> refreshButton_;
    platform::Ref<QVDefaultButton> findMeButton_;
    platform::ui::LocationCoordinate2D boundaryCoordNE_;
    platform::ui::LocationCoordinate2D boundaryCoordSW_;
    int dontShowit_ { 0 };
    std::vector<platform::Ref<QVHighScoreAnnotation>> annotations_;
};

} // namespace quorvel
