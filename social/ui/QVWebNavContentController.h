// QVWebNavContentController: one level of a web navigation stack. It shows the
// stack's live web view, or a frozen snapshot of it while the web view has
// moved on to another level.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/WebView.h"
#include "social/ui/QVViewController.h"

namespace quorvel {

class QVWebNavContentController : public QVViewController {
    QV_DECLARE_CLASS(QVWebNavContentController)
public:
    static constexpr float kInset = 6;
    static platform::Ref<QVWebNavContentController> controllerWithWebView(platform::ui::WebView* webView,
                                                                          platform::ui::ImageView* imageView,
                                                                          bool isInset);
    bool initWithWebView(platform::ui::WebView* webView, platform::ui::ImageView* imageView, bool isInset);
    platform::ui::WebView* webView() const { return webView_.get(); }
    platform::ui::ImageView* imageView() const { return imageView_.get(); }
    bool isInset() const { return isInset_; }

    void viewDidLoad() override;
    // Keeps the level's look in a snapshot while the web view moves on.
    void freeze();
    // Takes the web view back.
    void thaw();

protected:
    QVWebNavContentController() = default;

private:
    platform::Ref<platform::ui::WebView> webView_;
    platform::Ref<platform::ui::ImageView> imageView_;
    bool isInset_ { false };
};

} // namespace quorvel
