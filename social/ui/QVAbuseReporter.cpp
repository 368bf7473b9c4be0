// The abuse reporter's confirmation, request and self-release.
#include "social/ui/QVAbuseReporter.h"

#include "platform/ui/Window.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVServiceEndpoint.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVTableControllerHelper.h"
#include "social/ui/QVViewController.h"

namespace quorvel {

using platform::Ref;

QVAbuseReporter* QVAbuseReporter::initWithUserId(const std::string& userId, int type,
                                                 platform::ui::ViewController* controller)
{
    auto* reporter = new QVAbuseReporter;
    reporter->userId_ = userId;
    reporter->abuseType_ = type;
    reporter->viewController_ = Ref<platform::ui::ViewController>(controller);
    return reporter;
}

void QVAbuseReporter::reportAbuseByUser(const std::string& userId, platform::ui::ViewController* controller)
{
    initWithUserId(userId, Player, controller)->report();
}

void QVAbuseReporter::reportAbuseByUserForumThread(const std::string& userId, const std::string& threadId,
                                                   platform::ui::ViewController* controller)
{
    auto* reporter = initWithUserId(userId, ForumContent, controller);
    reporter->setFlaggableId(threadId);
    reporter->setFlaggableType("Discussion");
    reporter->report();
}

void QVAbuseReporter::reportAbuseByUserForumPost(const std::string& userId, const std::string& postId,
                                                 platform::ui::ViewController* controller)
{
    auto* reporter = initWithUserId(userId, ForumContent, controller);
    reporter->setFlaggableId(postId);
    reporter->setFlaggableType("Post");
    reporter->report();
}

void QVAbuseReporter::report()
{
    platform::ui::View* view = nullptr;
    if (auto* root = QVDashboardRole::current().getRootController())
        view = root->view();
    else
        view = platform::ui::Window::keyWindow(); // no dashboard: over the game's window
    if (userId_.empty() || !viewController_ || !view) {
        finish();
        return;
    }
    sheet_ = platform::ui::ActionSheet::sheet("Are you sure you want to submit an abuse report?", this, "Cancel",
                                              "Yes, Report");
    sheet_->showInView(view);
}

void QVAbuseReporter::actionSheetWillDismissWithButtonIndex(platform::ui::ActionSheet*, int index)
{
    if (index != 0) {
        finish();
        return;
    }
    reported_ = true;
    QVShowLoadingScreenOf(viewController_.get(), true);
    send();
}

void QVAbuseReporter::send()
{
    Ref<QVAbuseReporter> keep(this); // an answer given at once must not end the reporter under us
    auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    std::string type = abuseType_ == Player ? "chat" : "forum";
    params->io("abuse_flag[abuse_type]", type);
    if (!flaggableId_.empty() && !flaggableType_.empty()) {
        params->io("abuse_flag[flaggable_id]", flaggableId_);
        params->io("abuse_flag[flaggable_type]", flaggableType_);
    }
    QVProvider* provider = QVSessionRole::current().provider();
    auto path = QVServicePath::build("users/%@/abuse_flags.xml", { userId_ });
    Ref<QVRequestHandle> handle;
    if (provider && path)
        handle = provider->performAction(*path, params.get(), "POST",
                                         QVDelegate(this, BRISKO_SELECTOR(QVAbuseReporter, _reportSuccess)),
                                         QVDelegate(this, BRISKO_SELECTOR(QVAbuseReporter, _reportFailed)), 0,
                                         nullptr, true);
    if (!handle)
        finish(); // nothing went out: no answer will come
}

void QVAbuseReporter::finish()
{
    if (finished_)
        return;
    finished_ = true;
    if (reported_)
        QVShowLoadingScreenOf(viewController_.get(), false);
    // The sheet may still be telling its delegate it went away: it holds the
    // reporter weakly and tells nobody once this was the last hold.
    release();
}

} // namespace quorvel
