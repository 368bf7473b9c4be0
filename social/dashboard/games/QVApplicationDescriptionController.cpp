// The game description page: loading it for a game, its path and parameters.
#include "social/dashboard/games/QVApplicationDescriptionController.h"

#include "platform/foundation/Boxed.h"
#include "social/runtime/QVRequireCast.h"

namespace quorvel {

using platform::Ref;

QV_REGISTER_CLASS(QVApplicationDescriptionController);

Ref<QVApplicationDescriptionController> QVApplicationDescriptionController::applicationDescriptionForId(
    const std::string& resourceId, const std::string& appBannerPlacement)
{
    Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("ApplicationDescription");
    if (!loaded)
        return nullptr;
    Ref<QVApplicationDescriptionController> page(
        requireCast<QVApplicationDescriptionController>(loaded, "The game's description page must take its game"));
    page->setResourceId(resourceId);
    page->setAppBannerPlacement(appBannerPlacement);
    return page;
}

std::string QVApplicationDescriptionController::getAction()
{
    return "client_applications/" + resourceId_ + "/application_descriptions.iphone";
}

OAuthURLRequest::Parameters QVApplicationDescriptionController::getParameters()
{
    if (appBannerPlacement_.empty())
        return {};
    return { OAuthURLRequestParameter::parameterWithName("app_banner_placement", appBannerPlacement_) };
}

bool QVApplicationDescriptionController::performSetter(const std::string& setterName, platform::Object* value)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(value);
    std::string text = boxed ? boxed->value().asString() : std::string();
    if (setterName == "setResourceId" || setterName == "setApplicationId") {
        resourceId_ = text;
        return true;
    }
    if (setterName == "setAppBannerPlacement") {
        appBannerPlacement_ = text;
        return true;
    }
    return QVWebViewController::performSetter(setterName, value);
}

} // namespace quorvel
