// The maintenance notice: its message read from the server's answer.
#include "social/ui/QVServerMaintenanceNoticeController.h"

#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/ui/QVControllerLoader.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVServerMaintenanceNoticeController);

Ref<QVServerMaintenanceNoticeController> QVServerMaintenanceNoticeController::maintenanceControllerWithHtmlData(
    const platform::Bytes& data)
{
    Ref<ViewController> loaded = QVControllerLoader::load("ServerMaintenanceNotice");
    if (!loaded)
        return nullptr;
    Ref<QVServerMaintenanceNoticeController> screen(
        requireCast<QVServerMaintenanceNoticeController>(loaded, "The maintenance screen must show the notice"));
    auto document = QVXmlDocument::xmlDocumentWithData(data);
    screen->setMessage(document ? document->getElementValue("server_interruption_notice") : std::string());
    return screen;
}

void QVServerMaintenanceNoticeController::viewWillAppear(bool animated)
{
    deadEndWillAppear(animated);
    navigationItem()->setHidesBackButton(true);
    offerAWayOut(animated);
    setTitle("Maintenance");
    if (messageView())
        messageView()->setFont(platform::Font::systemFont(kMessageFontSize));
}

} // namespace quorvel
