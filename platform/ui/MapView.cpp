// MapView, its annotations and views, and Location: the region projected
// linearly onto the bounds, annotation views kept for the visible region.
#include "platform/ui/MapView.h"

#include "platform/ui/Drawing.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Weak.h"

#include <algorithm>
#include <cmath>

namespace platform::ui {

namespace {

constexpr double kEarthRadius = 6371009.0;

double radians(double degrees)
{
    return degrees * M_PI / 180.0;
}

// Into [-180, 180).
double wrapLongitude(double lon)
{
    double w = std::fmod(lon + 180.0, 360.0);
    if (w < 0)
        w += 360.0;
    return w - 180.0;
}

} // namespace

bool isValidCoordinate(const LocationCoordinate2D& c)
{
    return std::isfinite(c.latitude) && std::isfinite(c.longitude) && c.latitude >= -90 && c.latitude <= 90
        && c.longitude >= -180 && c.longitude <= 180;
}

double greatCircleDistance(const LocationCoordinate2D& a, const LocationCoordinate2D& b)
{
    double dLat = radians(b.latitude - a.latitude);
    double dLon = radians(b.longitude - a.longitude);
    double h = std::sin(dLat / 2) * std::sin(dLat / 2)
        + std::cos(radians(a.latitude)) * std::cos(radians(b.latitude)) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * kEarthRadius * std::asin(std::min(1.0, std::sqrt(h)));
}

Ref<Location> Location::withCoordinate(LocationCoordinate2D c)
{
    auto l = adoptRef(new Location);
    l->coordinate_ = c;
    return l;
}

std::string Location::description() const
{
    return format("<%+.8f, %+.8f>", coordinate_.latitude, coordinate_.longitude);
}

Ref<PointAnnotation> PointAnnotation::create(LocationCoordinate2D c, const std::string& title, const std::string& subtitle)
{
    auto a = adoptRef(new PointAnnotation);
    a->coordinate_ = c;
    a->title_ = title;
    a->subtitle_ = subtitle;
    return a;
}

// --- AnnotationView ---

Ref<AnnotationView> AnnotationView::withAnnotation(MapAnnotation* annotation, const std::string& reuseIdentifier)
{
    auto v = adoptRef(new AnnotationView);
    return v->initWithAnnotation(annotation, reuseIdentifier) ? v : nullptr;
}

bool AnnotationView::initWithAnnotation(MapAnnotation* annotation, const std::string& reuseIdentifier)
{
    View::initWithFrame(Rect(0, 0, 32, 39)); // a pin's size until an image says otherwise
    setBackgroundColor(std::nullopt);
    setOpaque(false);
    annotation_ = annotation;
    reuseIdentifier_ = reuseIdentifier;
    return true;
}

void AnnotationView::setImage(ImageAsset* image)
{
    image_ = image;
    if (image) {
        Point c = center();
        setBounds(Rect(Point(), image->size()));
        setCenter(c);
    }
    setNeedsDisplay();
}

std::string AnnotationView::dumpText() const
{
    return annotation_ ? annotation_->title() : std::string();
}

// --- MapView ---

Ref<MapView> MapView::mapViewWithFrame(const Rect& frame)
{
    auto m = adoptRef(new MapView);
    return m->initWithFrame(frame) ? m : nullptr;
}

bool MapView::initWithFrame(const Rect& frame)
{
    View::initWithFrame(frame);
    setBackgroundColor(Color::rgb(0.85f, 0.89f, 0.80f));
    setClipsToBounds(true);
    return true;
}

bool MapView::initWithCoder(const InterfaceCoder& coder)
{
    View::initWithCoder(coder);
    setBackgroundColor(Color::rgb(0.85f, 0.89f, 0.80f));
    setClipsToBounds(true);
    return true;
}

MapView::~MapView()
{
    if (regionTimer_)
        regionTimer_->invalidate();
}

bool MapView::setRegion(const CoordinateRegion& r, bool animated)
{
    const auto& c = r.center;
    if (!std::isfinite(c.latitude) || !std::isfinite(c.longitude) || c.latitude < -90 || c.latitude > 90
        || !std::isfinite(r.span.latitudeDelta) || !std::isfinite(r.span.longitudeDelta) || r.span.latitudeDelta < 0
        || r.span.longitudeDelta < 0) {
        logWarning("MapView: invalid region {%g, %g} span {%g, %g} ignored", c.latitude, c.longitude, r.span.latitudeDelta,
                   r.span.longitudeDelta);
        return false;
    }
    Ref<MapView> keep = this;
    CoordinateRegion region;
    region.center = { c.latitude, wrapLongitude(c.longitude) };
    region.span.latitudeDelta = std::clamp(r.span.latitudeDelta, kMinimumSpan, 180.0);
    region.span.longitudeDelta = std::clamp(r.span.longitudeDelta, kMinimumSpan, 360.0);
    if (delegate_)
        delegate_->mapViewRegionWillChangeAnimated(this, animated);
    region_ = region;
    updateAnnotationViews();
    if (regionTimer_) {
        regionTimer_->invalidate();
        regionTimer_ = nullptr;
    }
    if (!animated) {
        if (delegate_)
            delegate_->mapViewRegionDidChangeAnimated(this, false);
        return true;
    }
    Weak<MapView> weak(this);
    regionTimer_ = RunLoop::main().performAfter(kRegionAnimationDuration, [weak] {
        if (auto self = weak.lock()) {
            self->regionTimer_ = nullptr;
            if (self->delegate_)
                self->delegate_->mapViewRegionDidChangeAnimated(self.get(), true);
        }
    });
    return true;
}

bool MapView::setCenterCoordinate(LocationCoordinate2D c, bool animated)
{
    return setRegion({ c, region_.span }, animated);
}

Point MapView::convertCoordinateToPoint(LocationCoordinate2D c, const View* toView) const
{
    Size s = bounds().size;
    double dx = wrapLongitude(c.longitude - region_.center.longitude) / region_.span.longitudeDelta;
    double dy = (c.latitude - region_.center.latitude) / region_.span.latitudeDelta;
    Point p(bounds().origin.x + float((0.5 + dx) * s.width), bounds().origin.y + float((0.5 - dy) * s.height));
    return toView ? convertPointTo(p, toView) : p;
}

LocationCoordinate2D MapView::convertPointToCoordinate(Point p, const View* fromView) const
{
    Point q = fromView ? convertPointFrom(p, fromView) : p;
    Size s = bounds().size;
    double fx = s.width > 0 ? (q.x - bounds().origin.x) / s.width - 0.5 : 0;
    double fy = s.height > 0 ? (q.y - bounds().origin.y) / s.height - 0.5 : 0;
    double lat = std::clamp(region_.center.latitude - fy * region_.span.latitudeDelta, -90.0, 90.0);
    double lon = wrapLongitude(region_.center.longitude + fx * region_.span.longitudeDelta);
    return { lat, lon };
}

void MapView::addAnnotation(MapAnnotation* a)
{
    if (!a)
        return;
    for (auto& x : annotations_)
        if (x.get() == a)
            return;
    annotations_.push_back(a);
    updateAnnotationViews();
}

void MapView::addAnnotations(const std::vector<Ref<MapAnnotation>>& list)
{
    for (auto& a : list) {
        bool known = std::any_of(annotations_.begin(), annotations_.end(), [&](const Ref<MapAnnotation>& x) { return x.get() == a.get(); });
        if (a && !known)
            annotations_.push_back(a);
    }
    updateAnnotationViews();
}

void MapView::removeAnnotation(MapAnnotation* a)
{
    Ref<MapAnnotation> keep = a;
    auto it = std::find_if(annotations_.begin(), annotations_.end(), [a](const Ref<MapAnnotation>& x) { return x.get() == a; });
    if (it == annotations_.end())
        return;
    if (selected_.get() == a)
        deselectAnnotation(a, false);
    annotations_.erase(it);
    hideView(a);
}

void MapView::removeAnnotations(const std::vector<Ref<MapAnnotation>>& list)
{
    for (auto& a : std::vector<Ref<MapAnnotation>>(list))
        removeAnnotation(a.get());
}

AnnotationView* MapView::viewForAnnotation(MapAnnotation* a) const
{
    auto it = views_.find(a);
    return it == views_.end() ? nullptr : it->second.get();
}

Ref<AnnotationView> MapView::dequeueReusableAnnotationViewWithIdentifier(const std::string& identifier)
{
    auto it = reusable_.find(identifier);
    if (it == reusable_.end() || it->second.empty())
        return nullptr;
    Ref<AnnotationView> v = it->second.back();
    it->second.pop_back();
    v->prepareForReuse();
    return v;
}

void MapView::hideView(MapAnnotation* a)
{
    auto it = views_.find(a);
    if (it == views_.end())
        return;
    Ref<AnnotationView> v = it->second;
    views_.erase(it);
    v->setSelected(false, false);
    v->removeFromSuperview();
    if (!v->reuseIdentifier().empty())
        reusable_[v->reuseIdentifier()].push_back(v);
}

void MapView::updateAnnotationViews()
{
    if (updating_)
        return;
    updating_ = true;
    struct Reset {
        bool& f;
        ~Reset() { f = false; }
    } reset { updating_ };
    Ref<MapView> keep = this;
    Rect visible = bounds();
    std::vector<AnnotationView*> added;
    std::vector<Ref<AnnotationView>> keepAdded;
    for (auto& a : std::vector<Ref<MapAnnotation>>(annotations_)) {
        LocationCoordinate2D c = a->coordinate();
        Point p = convertCoordinateToPoint(c, nullptr);
        bool inside = isValidCoordinate(c) && p.x >= visible.minX() && p.x <= visible.maxX() && p.y >= visible.minY()
            && p.y <= visible.maxY();
        if (!inside) {
            if (selected_ == a)
                selected_ = nullptr;
            hideView(a.get());
            continue;
        }
        Ref<AnnotationView> v = views_.count(a.get()) ? views_[a.get()] : nullptr;
        if (!v) {
            v = delegate_ ? delegate_->mapViewViewForAnnotation(this, a.get()) : nullptr;
            if (!v)
                v = AnnotationView::withAnnotation(a.get(), "pin");
            v->setAnnotation(a.get());
            // The delegate may have removed the annotation meanwhile.
            if (std::none_of(annotations_.begin(), annotations_.end(), [&](const Ref<MapAnnotation>& x) { return x == a; }))
                continue;
            views_[a.get()] = v;
            addSubview(v.get());
            added.push_back(v.get());
            keepAdded.push_back(v);
        }
        Point off = v->centerOffset();
        v->setCenter(Point(p.x + off.x, p.y + off.y));
    }
    if (!added.empty() && delegate_)
        delegate_->mapViewDidAddAnnotationViews(this, added);
}

void MapView::selectAnnotation(MapAnnotation* a, bool animated)
{
    AnnotationView* v = viewForAnnotation(a);
    if (!v || !v->isEnabled() || selected_.get() == a)
        return;
    Ref<MapView> keep = this;
    if (selected_)
        deselectAnnotation(selected_.get(), animated);
    selected_ = a;
    v->setSelected(true, animated);
    if (delegate_)
        delegate_->mapViewDidSelectAnnotationView(this, v);
}

void MapView::deselectAnnotation(MapAnnotation* a, bool animated)
{
    if (!a || selected_.get() != a)
        return;
    Ref<MapView> keep = this;
    selected_ = nullptr;
    if (AnnotationView* v = viewForAnnotation(a)) {
        v->setSelected(false, animated);
        if (delegate_)
            delegate_->mapViewDidDeselectAnnotationView(this, v);
    }
}

void MapView::panForTest(float dx, float dy)
{
    Size s = bounds().size;
    if (s.width <= 0 || s.height <= 0)
        return;
    CoordinateRegion r = region_;
    r.center.longitude -= dx / s.width * r.span.longitudeDelta;
    r.center.latitude = std::clamp(r.center.latitude + dy / s.height * r.span.latitudeDelta, -90.0, 90.0);
    setRegion(r, false);
}

void MapView::pinchForTest(double factor)
{
    if (!(factor > 0) || !std::isfinite(factor))
        return;
    CoordinateRegion r = region_;
    r.span.latitudeDelta /= factor;
    r.span.longitudeDelta /= factor;
    setRegion(r, false);
}

bool MapView::tapAnnotationForTest(MapAnnotation* a)
{
    AnnotationView* v = viewForAnnotation(a);
    if (!v || !v->isEnabled())
        return false;
    selectAnnotation(a, true);
    return true;
}

bool MapView::tapCalloutAccessoryForTest(AnnotationView* view, View* accessory)
{
    if (!view || !accessory || !view->annotation() || viewForAnnotation(view->annotation()) != view || !view->isCalloutShown())
        return false;
    if (accessory != view->leftCalloutAccessoryView() && accessory != view->rightCalloutAccessoryView())
        return false;
    Ref<MapView> keep = this;
    Ref<AnnotationView> keepView = view;
    if (auto* control = dynamic_cast<Control*>(accessory); control && delegate_)
        delegate_->mapViewAnnotationViewCalloutAccessoryControlTapped(this, view, control);
    return true;
}

void MapView::setBounds(const Rect& b)
{
    View::setBounds(b);
    updateAnnotationViews();
}

void MapView::didMoveToWindow()
{
    if (!window() || loadedMap_)
        return;
    loadedMap_ = true;
    Weak<MapView> weak(this);
    RunLoop::main().post([weak] {
        if (auto self = weak.lock(); self && self->delegate_)
            self->delegate_->mapViewDidFinishLoadingMap(self.get());
    });
}

std::string MapView::dumpText() const
{
    return format("{%.4f, %.4f} span {%.4f, %.4f}", region_.center.latitude, region_.center.longitude, region_.span.latitudeDelta,
                  region_.span.longitudeDelta);
}

namespace {

const Color kWater = Color::rgb(0.67f, 0.80f, 0.90f);
const Color kLand = Color::rgb(0.80f, 0.87f, 0.72f);
const Color kGridLine = Color::white(1, 0.45f);

// The power of two (in degrees) at or above the span: the land keeps its shape while the map pans.
double scaleOf(double span) { return std::pow(2.0, std::ceil(std::log2(std::max(span, 1e-6)))); }

} // namespace

bool MapView::isLand(LocationCoordinate2D c, double latitudeSpan)
{
    // A few waves across the coordinates, about one landmass across a region of that span.
    const double f = 2 * M_PI / (scaleOf(latitudeSpan) * 1.6);
    const double t = std::sin(c.latitude * f * 1.3 + 0.5) + std::sin(c.longitude * f * 0.9 + 1.7)
        + 0.6 * std::sin((c.latitude + c.longitude) * f * 2.1 + 0.3);
    return t > 0.15;
}

void MapView::drawChrome(GraphicsContext& g, const Rect&)
{
    const Rect b = bounds();
    if (b.size.width <= 0 || b.size.height <= 0)
        return;
    draw::setFill(g, kWater);
    g.fillRect(b);
    // Land, a run of 2-point cells at a time along each row.
    constexpr float kCell = 2;
    draw::setFill(g, kLand);
    for (float y = b.minY(); y < b.maxY(); y += kCell) {
        float runStart = -1;
        for (float x = b.minX(); x <= b.maxX(); x += kCell) {
            const bool land = x < b.maxX()
                && isLand(convertPointToCoordinate(Point(x + kCell / 2, y + kCell / 2), nullptr), region_.span.latitudeDelta);
            if (land && runStart < 0)
                runStart = x;
            if (!land && runStart >= 0) {
                g.fillRect(Rect(runStart, y, x - runStart, kCell));
                runStart = -1;
            }
        }
    }
    // Lines of latitude and longitude at a round step, four to eight across the view.
    if (region_.span.latitudeDelta <= 0 || region_.span.longitudeDelta <= 0)
        return;
    draw::setFill(g, kGridLine);
    const double latStep = scaleOf(region_.span.latitudeDelta / 8), lonStep = scaleOf(region_.span.longitudeDelta / 8);
    const LocationCoordinate2D topLeft = convertPointToCoordinate(Point(b.minX(), b.minY()), nullptr);
    const LocationCoordinate2D bottomRight = convertPointToCoordinate(Point(b.maxX(), b.maxY()), nullptr);
    for (double lat = std::ceil(bottomRight.latitude / latStep) * latStep; lat <= topLeft.latitude; lat += latStep) {
        const float y = std::round(convertCoordinateToPoint({ lat, region_.center.longitude }, nullptr).y);
        g.fillRect(Rect(b.minX(), y, b.size.width, 1));
    }
    const double west = region_.center.longitude - region_.span.longitudeDelta / 2;
    for (double lon = std::ceil(west / lonStep) * lonStep; lon <= west + region_.span.longitudeDelta; lon += lonStep) {
        const float x = std::round(convertCoordinateToPoint({ region_.center.latitude, lon }, nullptr).x);
        g.fillRect(Rect(x, b.minY(), 1, b.size.height));
    }
}

void AnnotationView::drawChrome(GraphicsContext& g, const Rect&)
{
    Rect b = bounds();
    if (image()) {
        draw::asset(g, image(), b);
        return;
    }
    float r = std::min(b.size.width, b.size.height) / 4;
    g.beginPath();
    g.moveTo(b.midX(), b.minY() + r);
    g.lineTo(b.midX(), b.maxY());
    draw::setStroke(g, Color::white(0.3f), 2);
    g.strokePath();
    g.beginPath();
    g.addArc(b.midX(), b.minY() + r, r, 0, 2 * float(M_PI), false);
    draw::setFill(g, isSelected() ? Color::rgb(0.3f, 0.3f, 0.9f) : Color::rgb(0.85f, 0.1f, 0.1f));
    g.fillPath();
}

} // namespace platform::ui
