// One level of the web navigation: the live web view or its snapshot.
#include "social/ui/QVWebNavContentController.h"

#include "platform/ui/Renderer.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

Ref<QVWebNavContentController> QVWebNavContentController::controllerWithWebView(WebView* webView, ImageView* imageView,
                                                                                bool isInset)
{
    auto c = platform::adoptRef(new QVWebNavContentController);
    if (!c->initWithWebView(webView, imageView, isInset))
        return nullptr;
    return c;
}

bool QVWebNavContentController::initWithWebView(WebView* webView, ImageView* imageView, bool isInset)
{
    if (!init())
        return false;
    webView_ = webView;
    imageView_ = imageView;
    isInset_ = isInset;
    return true;
}

void QVWebNavContentController::viewDidLoad()
{
    QVViewController::viewDidLoad();
    Rect b = view()->bounds();
    if (isInset_)
        b = b.insetBy(kInset, kInset);
    if (imageView_)
        imageView_->setFrame(b);
    if (webView_) {
        webView_->setFrame(b);
        webView_->setBackgroundColor(Color::clear());
        webView_->setOpaque(false);
        view()->addSubview(webView_.get());
    }
}

void QVWebNavContentController::freeze()
{
    if (!webView_ || !imageView_)
        return;
    imageView_->setFrame(webView_->frame());
    Ref<platform::Image> snapshot = ViewRenderer::render(webView_.get());
    imageView_->setImage(ImageAsset::withImage("QVWebNavSnapshot", snapshot.get()).get());
    view()->addSubview(imageView_.get());
}

void QVWebNavContentController::thaw()
{
    if (!webView_)
        return;
    Rect f = webView_->frame();
    webView_->setFrame(Rect(kInset, kInset, f.size.width, f.size.height));
    view()->addSubview(webView_.get());
}

} // namespace quorvel
