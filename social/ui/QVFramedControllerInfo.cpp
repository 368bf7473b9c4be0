// The framed stack's entry of context for one screen.
#include "social/ui/QVFramedControllerInfo.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;

Ref<QVFramedControllerInfo> QVFramedControllerInfo::withController(ViewController* controller,
                                                                   Object* clientApplicationInfo)
{
    auto info = platform::adoptRef(new QVFramedControllerInfo);
    info->controller_ = controller;
    info->clientApplicationInfo = clientApplicationInfo;
    return info;
}

} // namespace quorvel
