// A user shown beside a comparison: the picture and the gamer score.
#pragma once

#include "platform/ui/Label.h"
#include "social/services/QVUser.h"
#include "social/ui/QVImageView.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVUser;

// A user shown beside a comparison: the picture and the gamer score.
class QVProfileComparisonUser : public platform::ui::View {
    QV_DECLARE_CLASS(QVProfileComparisonUser)
public:
    bool initWithFrame(const platform::Rect& frame) override;
    bool initWithCoder(const platform::ui::InterfaceCoder& coder) override;
    QVUser* user() const { return user_.get(); }
    void setUser(QVUser* user);
    platform::ui::Label* score() const { return score_.get(); }
    QVImageView* avatar() const { return avatar_.get(); }

protected:
    friend class platform::ui::InterfaceBuilder;
    QVProfileComparisonUser() = default;

private:
    void build(bool fromInterface);
    platform::Ref<QVUser> user_;
    platform::Ref<platform::ui::Label> score_;
    platform::Ref<QVImageView> avatar_;
};

} // namespace quorvel
