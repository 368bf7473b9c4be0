// A map without tiles: a region of the earth (centre and spans in degrees)
// shown across the view's bounds, coordinates converted to points and back,
// annotations with views made by the delegate and reused by identifier, and
// a location type with great-circle distances.
//
// The projection is plain latitude/longitude: the region's centre is the
// view's centre and its spans are exactly the visible extent, so a region's
// corners are its centre plus or minus half the spans. Longitudes wrap across
// the date line. Annotation views exist only for annotations inside the
// visible region; those that leave it go to the reuse queue. Setting the
// region tells will-change at once and did-change at once, or after
// kRegionAnimationDuration when animated. The delegate is not owned.
#pragma once

#include "platform/ui/Control.h"
#include "platform/ui/ImageAsset.h"
#include "platform/ui/View.h"

#include <map>
#include <string>
#include <vector>

namespace platform::ui {

struct LocationCoordinate2D {
    double latitude { 0 };
    double longitude { 0 };
    friend constexpr bool operator==(const LocationCoordinate2D& a, const LocationCoordinate2D& b)
    {
        return a.latitude == b.latitude && a.longitude == b.longitude;
    }
};
bool isValidCoordinate(const LocationCoordinate2D& c);

struct CoordinateSpan {
    double latitudeDelta { 0 };
    double longitudeDelta { 0 };
};

struct CoordinateRegion {
    LocationCoordinate2D center;
    CoordinateSpan span;
};

// The great-circle distance in metres (mean earth radius 6 371 009 m).
double greatCircleDistance(const LocationCoordinate2D& a, const LocationCoordinate2D& b);

class Location final : public Object {
public:
    static Ref<Location> withCoordinate(LocationCoordinate2D c);
    static Ref<Location> withLatitude(double latitude, double longitude) { return withCoordinate({ latitude, longitude }); }
    const LocationCoordinate2D& coordinate() const { return coordinate_; }
    double distanceFromLocation(const Location& other) const { return greatCircleDistance(coordinate_, other.coordinate_); }
    std::string description() const override;

private:
    Location() = default;
    LocationCoordinate2D coordinate_;
};

// What a map marks: a place with callout texts.
class MapAnnotation : public Object {
public:
    virtual LocationCoordinate2D coordinate() const = 0;
    virtual std::string title() const { return {}; }
    virtual std::string subtitle() const { return {}; }
};

class PointAnnotation final : public MapAnnotation {
public:
    static Ref<PointAnnotation> create(LocationCoordinate2D c, const std::string& title = {}, const std::string& subtitle = {});
    LocationCoordinate2D coordinate() const override { return coordinate_; }
    void setCoordinate(LocationCoordinate2D c) { coordinate_ = c; }
    std::string title() const override { return title_; }
    std::string subtitle() const override { return subtitle_; }

private:
    PointAnnotation() = default;
    LocationCoordinate2D coordinate_;
    std::string title_;
    std::string subtitle_;
};

class AnnotationView : public View {
public:
    static Ref<AnnotationView> withAnnotation(MapAnnotation* annotation, const std::string& reuseIdentifier);
    virtual bool initWithAnnotation(MapAnnotation* annotation, const std::string& reuseIdentifier);

    MapAnnotation* annotation() const { return annotation_.get(); }
    virtual void setAnnotation(MapAnnotation* a) { annotation_ = a; }
    const std::string& reuseIdentifier() const { return reuseIdentifier_; }
    ImageAsset* image() const { return image_.get(); }
    // Sizes the view to the image.
    void setImage(ImageAsset* image);
    Point centerOffset() const { return centerOffset_; }
    void setCenterOffset(Point p) { centerOffset_ = p; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool e) { enabled_ = e; }
    bool canShowCallout() const { return canShowCallout_; }
    void setCanShowCallout(bool c) { canShowCallout_ = c; }
    bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected, bool /*animated*/) { selected_ = selected; }
    // Retained.
    View* leftCalloutAccessoryView() const { return left_.get(); }
    void setLeftCalloutAccessoryView(View* v) { left_ = v; }
    View* rightCalloutAccessoryView() const { return right_.get(); }
    void setRightCalloutAccessoryView(View* v) { right_ = v; }
    // The callout shows while selected (and allowed to).
    bool isCalloutShown() const { return selected_ && canShowCallout_; }

    virtual void prepareForReuse() { selected_ = false; }
    std::string dumpText() const override;

    void drawChrome(GraphicsContext& context, const Rect& bounds) override;

protected:
    AnnotationView() = default;

private:
    Ref<MapAnnotation> annotation_;
    std::string reuseIdentifier_;
    Ref<ImageAsset> image_;
    Ref<View> left_;
    Ref<View> right_;
    Point centerOffset_;
    bool enabled_ { true };
    bool canShowCallout_ { false };
    bool selected_ { false };
};

class MapView;

class MapViewDelegate {
public:
    virtual ~MapViewDelegate() = default;
    virtual void mapViewRegionWillChangeAnimated(MapView* /*map*/, bool /*animated*/) { }
    virtual void mapViewRegionDidChangeAnimated(MapView* /*map*/, bool /*animated*/) { }
    virtual void mapViewDidFinishLoadingMap(MapView* /*map*/) { }
    // Null: the map's default pin.
    virtual Ref<AnnotationView> mapViewViewForAnnotation(MapView* /*map*/, MapAnnotation* /*annotation*/) { return nullptr; }
    virtual void mapViewDidAddAnnotationViews(MapView* /*map*/, const std::vector<AnnotationView*>& /*views*/) { }
    virtual void mapViewAnnotationViewCalloutAccessoryControlTapped(MapView* /*map*/, AnnotationView* /*view*/, Control* /*control*/) { }
    virtual void mapViewDidSelectAnnotationView(MapView* /*map*/, AnnotationView* /*view*/) { }
    virtual void mapViewDidDeselectAnnotationView(MapView* /*map*/, AnnotationView* /*view*/) { }
};

class MapView : public View {
public:
    static constexpr double kRegionAnimationDuration = 0.3;
    static constexpr double kMinimumSpan = 1e-5;
    enum class MapType { Standard = 0, Satellite, Hybrid };

    static Ref<MapView> mapViewWithFrame(const Rect& frame);
    bool initWithFrame(const Rect& frame) override;
    bool initWithCoder(const InterfaceCoder& coder) override;

    MapViewDelegate* delegate() const { return delegate_; }
    void setDelegate(MapViewDelegate* d) { delegate_ = d; }
    MapType mapType() const { return mapType_; }
    void setMapType(MapType t) { mapType_ = t; }

    const CoordinateRegion& region() const { return region_; }
    // The centre's longitude wraps into [-180, 180); spans are clamped to the
    // globe and at least kMinimumSpan. A region with a centre off the globe,
    // a negative span or a non-number is refused with a warning.
    bool setRegion(const CoordinateRegion& region, bool animated);
    LocationCoordinate2D centerCoordinate() const { return region_.center; }
    bool setCenterCoordinate(LocationCoordinate2D c, bool animated);

    // In the given view's coordinates (null: this view's).
    Point convertCoordinateToPoint(LocationCoordinate2D c, const View* toView) const;
    LocationCoordinate2D convertPointToCoordinate(Point p, const View* fromView) const;

    const std::vector<Ref<MapAnnotation>>& annotations() const { return annotations_; }
    void addAnnotation(MapAnnotation* a);
    void addAnnotations(const std::vector<Ref<MapAnnotation>>& list);
    void removeAnnotation(MapAnnotation* a);
    void removeAnnotations(const std::vector<Ref<MapAnnotation>>& list);
    // The view shown for an annotation; null when it is outside the region.
    AnnotationView* viewForAnnotation(MapAnnotation* a) const;
    Ref<AnnotationView> dequeueReusableAnnotationViewWithIdentifier(const std::string& identifier);

    void selectAnnotation(MapAnnotation* a, bool animated);
    void deselectAnnotation(MapAnnotation* a, bool animated);
    MapAnnotation* selectedAnnotation() const { return selected_.get(); }

    // --- What the user does ---
    // A drag by (dx, dy) points: the content follows the finger.
    void panForTest(float dx, float dy);
    // A pinch: factors above 1 zoom in (smaller spans).
    void pinchForTest(double factor);
    // A tap on an annotation's view: selects it (the delegate hears it).
    bool tapAnnotationForTest(MapAnnotation* a);
    // A tap on a callout accessory of a selected view that shows its callout;
    // the delegate hears it when the accessory is a control.
    bool tapCalloutAccessoryForTest(AnnotationView* view, View* accessory);

    void setBounds(const Rect& bounds) override;
    void didMoveToWindow() override;
    std::string dumpText() const override;

    // Without tiles the map draws a stand-in of the region: water, land
    // shaped by the coordinates (so it moves with the map), and a grid of
    // latitude and longitude lines at a round step.
    void drawChrome(GraphicsContext& context, const Rect& bounds) override;
    // Whether the stand-in shows land at the coordinate, at the scale of a
    // region with that latitude span.
    static bool isLand(LocationCoordinate2D c, double latitudeSpan);

protected:
    MapView() = default;
    ~MapView() override;
    friend class InterfaceBuilder;

private:
    void updateAnnotationViews();
    void hideView(MapAnnotation* a);

    MapViewDelegate* delegate_ { nullptr };
    CoordinateRegion region_ { { 0, 0 }, { 180, 360 } };
    MapType mapType_ { MapType::Standard };
    std::vector<Ref<MapAnnotation>> annotations_;
    std::map<MapAnnotation*, Ref<AnnotationView>> views_;
    std::map<std::string, std::vector<Ref<AnnotationView>>> reusable_;
    Ref<MapAnnotation> selected_;
    Ref<Timer> regionTimer_;
    bool updating_ { false };
    bool loadedMap_ { false };
};

} // namespace platform::ui
