// QVFieldMessageBoxController: a message box whose field is a `Field`
// (anything with text() and setText()) beside one button: the field's text is
// what is entered, and the field, the button and the backdrop fade.
#pragma once

#include "platform/ui/Button.h"
#include "social/dashboard/common/QVCommunityMessageBoxController.h"

#include <string>
#include <vector>

namespace quorvel {

template <class Field>
class QVFieldMessageBoxController : public QVCommunityMessageBoxController {
protected:
    std::string enteredText() const override { return field_ ? field_->text() : std::string(); }
    void setEnteredText(const std::string& text) override
    {
        if (field_)
            field_->setText(text);
    }
    std::vector<platform::ui::View*> fadingViews() const override
    {
        return { field_.get(), button_.get(), backgroundView_.get() };
    }

    platform::Ref<Field> field_;
    platform::Ref<platform::ui::Button> button_;
};

} // namespace quorvel
