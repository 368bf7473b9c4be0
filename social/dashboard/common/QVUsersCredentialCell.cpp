// The credential row and the table of known credential types.
#include "social/dashboard/common/QVUsersCredentialCell.h"

#include "platform/ui/Label.h"
#include "social/runtime/QVImageCache.h"
#include "social/services/QVUsersCredential.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

const QVUsersCredentialCell::KnownCredential* QVUsersCredentialCell::getKnownCredential(const std::string& type)
{
    static const KnownCredential known[] = {
        { "twitter", "QuorvelAccountSetupTwitterConnectButton.png", "TwitterAccountLogin", nullptr },
        { "fbconnect", "QuorvelAccountSetupFBConnectButton.png", "FacebookAccountLogin", nullptr },
        // The secure-account form is the screen that creates this credential.
        { "http_basic", nullptr, "HttpCredentialsCreate", "Create New Password" },
    };
    for (auto& row : known)
        if (type == row.type)
            return &row;
    return nullptr;
}

std::optional<std::string> QVUsersCredentialCell::getCredentialImage(const std::string& type)
{
    auto* row = getKnownCredential(type);
    return row && row->image ? std::optional<std::string>(row->image) : std::nullopt;
}

std::optional<std::string> QVUsersCredentialCell::getCredentialControllerName(const std::string& type)
{
    auto* row = getKnownCredential(type);
    return row ? std::optional<std::string>(row->controllerName) : std::nullopt;
}

std::optional<std::string> QVUsersCredentialCell::getCredentialCellText(const std::string& type)
{
    auto* row = getKnownCredential(type);
    return row && row->cellText ? std::optional<std::string>(row->cellText) : std::nullopt;
}

bool QVUsersCredentialCell::initQVTableCellHelper(const std::string& reuseIdentifier)
{
    if (!QVTableCellHelper::initQVTableCellHelper(reuseIdentifier))
        return false;
    auto image = ImageView::imageViewWithImage(nullptr);
    image->setFrame(Rect(10, 6, 200, 32));
    image->setTag(1);
    contentView()->addSubview(image.get());
    auto text = Label::labelWithFrame(Rect(10, 6, 280, 32));
    text->setTag(2);
    contentView()->addSubview(text.get());
    return true;
}

void QVUsersCredentialCell::onResourceChanged(platform::Object* resource)
{
    auto* credential = dynamic_cast<QVUsersCredential*>(resource);
    std::string type = credential ? credential->credentialType() : std::string();
    if (auto* image = dynamic_cast<ImageView*>(contentView()->viewWithTag(1))) {
        auto name = getCredentialImage(type);
        Ref<platform::Image> picture = name ? QVImageLoader::loadImage(*name) : nullptr;
        image->setImage(picture ? ImageAsset::withImage(*name, picture.get()).get() : nullptr);
    }
    if (auto* text = dynamic_cast<Label*>(contentView()->viewWithTag(2))) {
        auto cellText = getCredentialCellText(type);
        text->setText(cellText.value_or(""));
        text->setHidden(!cellText);
    }
}

} // namespace quorvel
