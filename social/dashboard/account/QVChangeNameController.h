// QVChangeNameController ("ChangeName"): changes the player's name.
#pragma once

#include "social/dashboard/account/QVAccountChangeForm.h"
#include "social/ui/QVFormControllerHelper.h"

namespace quorvel {

class QVChangeNameController : public QVAccountChangeForm {
    QV_DECLARE_CLASS(QVChangeNameController)
public:
    std::string getFormSubmissionUrl() override { return "users/update_name.xml"; }
    std::string singularResourceName() override { return "user"; }
    void populateViewDataMap(QVViewDataMap& map) override { map.addField("name", 1); }
    void onBeforeFormSubmitted() override;
    void onFormSubmitted() override;
    platform::ui::Label* currentNameLabel() { view(); return currentNameLabel_.get(); }
    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    QVChangeNameController() = default;

private:
    platform::Ref<platform::ui::Label> currentNameLabel_;
    std::string nameAttemptingToClaim_;
};

} // namespace quorvel
