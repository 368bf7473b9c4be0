// QVFramedControllerInfo: the context a framed navigation stack keeps for each
// screen on it: the screen, its banner, the user it is about, the user it is
// compared with and the game it is about.
#pragma once

#include "platform/ui/ViewController.h"
#include "social/services/QVUser.h"
#include "social/ui/QVBannerCell.h"

namespace quorvel {

class QVFramedControllerInfo : public platform::Object {
public:
    static platform::Ref<QVFramedControllerInfo> withController(platform::ui::ViewController* controller,
                                                               platform::Object* clientApplicationInfo);
    platform::ui::ViewController* controller() const { return controller_.get(); }
    platform::Ref<QVBannerCell> banner;
    platform::Ref<QVUser> user;
    platform::Ref<QVUser> comparedToUser;
    platform::Ref<platform::Object> clientApplicationInfo;

private:
    platform::Ref<platform::ui::ViewController> controller_;
};

} // namespace quorvel
