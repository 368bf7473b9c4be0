// The services' in-game notices not tied to a request, and the default
// background notice slot shown after the next successful answer.
#include "social/core/Quorvel.h"

#include "platform/foundation/Log.h"

namespace quorvel {

namespace {
std::optional<Quorvel::BackgroundNotice>& defaultSlot()
{
    static std::optional<Quorvel::BackgroundNotice> slot;
    return slot;
}

Quorvel::NoticeObserver& noticeObserver()
{
    static Quorvel::NoticeObserver observer;
    return observer;
}
} // namespace

void Quorvel::setNoticeObserver(NoticeObserver observer) { noticeObserver() = std::move(observer); }

void Quorvel::showBackgroundNotice(const BackgroundNotice& notice)
{
    if (isDisabled())
        return;
    platform::log("Quorvel notice: %s", notice.text.c_str());
    if (noticeObserver())
        noticeObserver()(notice);
}

void Quorvel::setDefaultBackgroundNotice(const BackgroundNotice& notice) { defaultSlot() = notice; }

void Quorvel::showDefaultNotice()
{
    std::optional<BackgroundNotice> notice = std::move(defaultSlot());
    defaultSlot().reset();
    if (notice)
        showBackgroundNotice(*notice);
}

void Quorvel::clearDefaultNotice() { defaultSlot().reset(); }

} // namespace quorvel
