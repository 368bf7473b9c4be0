// The sliding notice bars. A bar is loaded by name through the controller
// loader, configured on a 0-s timer of the main run loop (never inside the
// caller), laid out at the player's notification position, slides in over
// 0.25 s, holds (2 s with a status, 4 s for achievements and server notices)
// and slides out over 0.5 s, then leaves its superview.
//
// Bars are never queued: each slides in as soon as it is ready, above those
// still on screen at the same place. The achievement, challenge and
// server-notice bars are its subclasses.
#pragma once

#include "platform/ui/Label.h"
#include "platform/ui/Layer.h"
#include "platform/ui/View.h"
#include "social/core/QVNotification.h"
#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVRequireCast.h"
#include "social/ui/QVImageView.h"

#include <optional>
#include <string>

namespace quorvel {

// Where a bar goes, from the presentation view's size and the client's state.
struct QVNoticeLayoutInput {
    float width { 0 };      // presentation view bounds
    float height { 0 };
    float barHeight { 0 };
    float statusBar { 0 };  // status bar height (its width when rotated); 0 when hidden
    bool largeScreen { false };
    int orientation { 1 };  // dashboard orientation 1-4
    int position { 1 };     // 0 top left, 1 bottom left, 2 top right, 3 bottom right
    bool rotatedInternally { false };
};

struct QVNoticeLayout {
    platform::Rect frame;
    platform::AffineTransform transform;
    platform::Point nudge; // how far the inner view moves toward the screen edge
};

class QVNotificationView : public platform::ui::View,
                           public QVCallbackable,
                           public platform::ui::AnimationDelegate {
public:
    static constexpr double kSlideInDuration = 0.25;
    static constexpr double kSlideOutDuration = 0.5;
    static constexpr double kStatusHoldDuration = 2.0;
    static constexpr double kImageHoldDuration = 4.0;
    // The background art stretches at this many columns from its right end.
    static constexpr int kBackgroundRightPart = 50;

    static const char* notificationViewName() { return "NotificationView"; }

    // Each loads its bar and configures it on a 0-s timer; an empty Ref (and a
    // log line) when the bar cannot be loaded.
    static platform::Ref<QVNotificationView> showNotificationWithText(const std::string& text,
                                                                      const std::optional<std::string>& imageName,
                                                                      const std::optional<std::string>& status,
                                                                      platform::ui::View* inView);
    // The request starts when the bar is configured; the bar shows once it ended.
    static platform::Ref<QVNotificationView> showNotificationWithRequest(QVActionRequest& request,
                                                                         const std::string& text,
                                                                         platform::ui::View* inView);

    void configureWithText(const std::string& text, const std::optional<std::string>& imageName,
                           const std::optional<std::string>& status, platform::ui::View* inView);
    void configureWithRequest(QVActionRequest& request, const std::string& text, platform::ui::View* inView);

    // The layout rules; small screens place positions 2 and 3 as 0 and 1.
    static QVNoticeLayout calcLayout(const QVNoticeLayoutInput& input);
    // Where the bar's centre starts (slide in) and ends (slide out).
    static platform::Point calcOffScreenPosition(platform::Point p, float barHeight, int orientation, int position,
                                                 bool rotatedInternally);
    // The dashboard is landscape inside a portrait-sized view.
    static bool isParentViewRotatedInternally(platform::ui::View* view, int orientation);
    // The background image of a position.
    static std::string backgroundImageName(int position, bool largeScreen);
    // Forgets the bars loaded but not yet configured: a client that shuts
    // down leaves no notice of its own to show up in the next one's window.
    static void forgetWaitingBars();

    platform::ui::Label* notice() const { return notice_; }
    QVImageView* statusIndicator() const { return statusIndicator_; }
    QVImageView* backgroundImage() const { return backgroundImage_; }
    QVImageView* notificationImage() const { return notificationImage_; }
    platform::ui::View* viewToMove() const { return viewToMove_; }
    bool isPresenting() const { return mPresenting; }
    double notificationDuration() const { return mNotificationDuration; }
    platform::ui::View* presentationView() const { return presentationView_.get(); }

    bool canReceiveCallbacksNow() override { return true; }
    void animationDidStop(platform::ui::LayerAnimation* animation, bool finished) override;

    // Connected by the layout builders.
    void setOutlets(platform::ui::Label* notice, QVImageView* status, QVImageView* background, QVImageView* image,
                    platform::ui::View* viewToMove);

protected:
    friend class platform::ui::InterfaceBuilder;

    // The kit image of that name (null for "" or a missing one), held by the
    // caller: without a running client no cache keeps it.
    static platform::Ref<platform::Image> bundleImage(const std::string& name);
    // A new bar from the named layout; null when there is none, and the notice
    // is dropped with a log line. A layout of that name that makes another
    // kind of view is broken: it fails an assertion.
    template <typename T>
    static platform::Ref<T> loadBar(const char* name)
    {
        platform::Ref<platform::ui::View> view = loadBarView(name);
        if (!view) {
            reportBarNotLoaded(name);
            return nullptr;
        }
        return platform::Ref<T>(requireCast<T>(view, "A notice's layout must make its kind of bar"));
    }
    // A new bar of kind T from its own layout, configured on the next turn of
    // the loop with `data` for `inView` (both kept alive until then) through
    // `configure`; null when there is no such layout.
    template <typename T, typename Data>
    static platform::Ref<T> loadBarFor(Data* data, platform::ui::View* inView,
                                       void (T::*configure)(Data*, platform::ui::View*))
    {
        platform::Ref<T> bar = loadBar<T>(T::notificationViewName());
        if (!bar)
            return nullptr;
        platform::Ref<Data> keep(data);
        platform::Ref<platform::ui::View> target(inView);
        bar->scheduleConfigure([keep, target, configure](QVNotificationView& v) {
            (static_cast<T&>(v).*configure)(keep.get(), target.get());
        });
        return bar;
    }
    QVNotificationView() = default;

    void setupDefaultImages();
    void _setPresentationView(platform::ui::View* view);
    void _buildViewWithText(const std::string& text);
    void _makeStatusIconActiveAndDismiss(const std::optional<std::string>& status);
    void _presentForDuration(double seconds);
    void _dismiss();
    void _calcFrameAndTransform();
    // Schedules a configure call on a 0-s timer, keeping the bar alive.
    void scheduleConfigure(std::function<void(QVNotificationView&)> configure);

private:
    void _requestSucceeded(platform::Object* loader, platform::Object* nextCall);
    void _requestFailed(platform::Object* loader, platform::Object* nextCall);
    void restoreRequestCallbacks();
    void animatePosition(platform::Point from, platform::Point to, double seconds, bool removeOnCompletion);

    platform::ui::Label* notice_ { nullptr };
    QVImageView* statusIndicator_ { nullptr };
    QVImageView* backgroundImage_ { nullptr };
    QVImageView* notificationImage_ { nullptr };
    bool mParentViewIsRotatedInternally { false };
    bool mPresenting { false };
    double mNotificationDuration { 0 };
    platform::Ref<platform::ui::View> presentationView_;
    platform::ui::View* viewToMove_ { nullptr };
    platform::Ref<QVActionRequest> request_;
    QVDelegate replacedSuccess_;
    QVDelegate replacedFailure_;
    bool slidingOut_ { false };

    static platform::Ref<platform::ui::View> loadBarView(const char* name);
    static void reportBarNotLoaded(const char* name);
};

// Registers (again) the three bar layouts under the loader's default names.
void QVRegisterNotificationInterfaces();

} // namespace quorvel
