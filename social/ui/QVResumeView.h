// QVResumeView: a tappable image ("QuorvelResumeButtonBackground.png") that
// sends an action to a target when a touch ends on it. The target is held
// weakly: a touch after it has gone does nothing.
#pragma once

#include "platform/foundation/Selector.h"
#include "platform/foundation/Weak.h"
#include "platform/ui/View.h"
#include "social/ui/QVClassRegistry.h"

namespace quorvel {

class QVResumeView : public platform::ui::View {
    QV_DECLARE_CLASS(QVResumeView)
public:
    using Action = platform::Selector<>;
    static constexpr const char* kBackgroundImage = "QuorvelResumeButtonBackground.png";
    static constexpr float kImageOffsetX = 5;
    static constexpr float kBottomEdge = 44;
    static constexpr float kLandscapeBottomEdge = 39;

    static platform::Ref<QVResumeView> withActionAndTarget(Action action, platform::Object* target);
    bool initWithAction(Action action, platform::Object* target);

    platform::ui::View* backgroundView() const { return mBackgroundView.get(); }
    void touchesEnded(const platform::ui::Touch& t) override;

protected:
    QVResumeView() = default;

private:
    platform::Ref<platform::ui::View> mBackgroundView;
    platform::Weak<platform::Object> mTarget;
    Action mAction;
};

} // namespace quorvel
