// The import invitation: its text, the networks it names and its button.
#include "social/dashboard/friends/QVFullScreenImportFriendsMessage.h"

#include "platform/foundation/Boxed.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/common/QVFriendImporter.h"
#include "social/services/QVUsersCredential.h"
#include "social/ui/QVDefaultButton.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

namespace {

std::string textOf(Object* value)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(value);
    return boxed && boxed->value().isString() ? boxed->value().asString() : std::string();
}

// The import invitation is loaded under two names of its own; the screen it
// is loaded for (the layout's owner) is the list it works for.
[[maybe_unused]] const bool importMessageLayoutsRegistered = [] {
    for (const char* layout : { "FullscreenImportFriendsMessageControllerQv", "HeaderedFullscreenImportFriendsMessageControllerQv" })
        InterfaceRegistry::shared().registerLayout(layout, [](InterfaceBuilder& b) {
            auto message = b.makeController<QVFullScreenImportFriendsMessage>();
            message->setOwner(b.ownerAs<ViewController>());
            return std::vector<Ref<Object>> { message };
        });
    return true;
}();

} // namespace

void QVFullScreenImportFriendsMessage::loadView()
{
    const Rect bounds = QuorvelInternal::dashboardRole().getDashboardBounds();
    const float width = bounds.size.width;
    auto root = View::viewWithFrame(Rect(0, 0, width, bounds.size.height));
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->setBackgroundColor(Color::rgb(0.11f, 0.12f, 0.14f));
    messageLabel_ = layout::makeLabel(Rect(20, 20, width - 40, 120), 14, false);
    messageLabel_->setTextColor(Color::whiteColor());
    messageLabel_->setNumberOfLines(0);
    messageLabel_->setAutoresizingMask(FlexibleWidth);
    root->addSubview(messageLabel_.get());
    Ref<QVDefaultButton> b = QVDefaultButton::greenButton(Rect(20, 150, width - 40, 44));
    b->setAutoresizingMask(FlexibleWidth);
    b->setTitleForAllStates("Import Friends");
    b->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVFullScreenImportFriendsMessage, onImportFriendsPressed)), TouchUpInside);
    root->addSubview(b.get());
    importButton_ = b;
    setView(root.get());
}

void QVFullScreenImportFriendsMessage::setMissingCredentials(const std::vector<Ref<QVUsersCredential>>& credentials,
                                                             const std::string& notice)
{
    std::vector<std::string> names;
    for (const auto& c : credentials)
        if (c)
            names.push_back(QVUsersCredential::getDisplayNameForCredentialType(c->credentialType()).value_or(c->credentialType()));
    if (names.size() >= 2)
        names.back() = "or " + names.back();
    const char* separator = names.size() == 2 ? " " : ", ";
    std::string joined;
    for (size_t i = 0; i < names.size(); ++i)
        joined += (i ? separator : "") + names[i];
    const std::string lead = notice.empty() ? std::string() : notice + " ";
    messageLabel()->setText(lead + "Import your friends from " + joined
                            + " to see what Quorvel games they're playing, compare progress, and more.");
}

bool QVFullScreenImportFriendsMessage::performSetter(const std::string& setterName, Object* value)
{
    if (setterName == "setOwner") {
        setOwner(dynamic_cast<ViewController*>(value));
        return true;
    }
    if (setterName == "setMessage") {
        messageLabel()->setText(textOf(value));
        return true;
    }
    return QVViewController::performSetter(setterName, value);
}

void QVFullScreenImportFriendsMessage::onImportFriendsPressed()
{
    ViewController* owner = owner_.get();
    NavigationController* nav = owner ? owner->navigationController() : nullptr;
    Ref<ViewController> import = QVControllerLoader::load("ImportFriends");
    if (nav && import)
        nav->pushViewController(import.get(), true);
}

} // namespace quorvel
