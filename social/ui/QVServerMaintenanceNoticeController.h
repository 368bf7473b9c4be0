// QVServerMaintenanceNoticeController ("ServerMaintenanceNotice"): the dead-end screen that shows
// the maintenance notice the server sends.
#pragma once

#include "social/ui/QVDeadEndErrorController.h"

namespace quorvel {

class QVServerMaintenanceNoticeController : public QVDeadEndErrorController {
    QV_DECLARE_CLASS(QVServerMaintenanceNoticeController)
public:
    static constexpr float kMessageFontSize = 14;
    // The message is the answer's "server_interruption_notice" (empty when the
    // answer has none or is not a readable document).
    static platform::Ref<QVServerMaintenanceNoticeController> maintenanceControllerWithHtmlData(const platform::Bytes& data);
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVServerMaintenanceNoticeController() = default;
};

} // namespace quorvel
