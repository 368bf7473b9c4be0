// The import screen: its buttons and the host its importer works for.
#include "social/dashboard/friends/QVImportFriendsController.h"

#include "social/core/QuorvelInternal.h"
#include "social/ui/QVDefaultButton.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVImportFriendsController);

QVImportFriendsController::QVImportFriendsController() : mImporter(QVFriendImporter::friendImporterWithController(this)) { }

// The importer's link to this screen (its host unless another was set) expires with it.
QVImportFriendsController::~QVImportFriendsController() = default;

bool QVImportFriendsController::performSetter(const std::string& setterName, Object* value)
{
    if (setterName == "setController") {
        setController(dynamic_cast<ViewController*>(value));
        return true;
    }
    return QVViewController::performSetter(setterName, value);
}

void QVImportFriendsController::loadView()
{
    if (title().empty())
        setTitle("Find Friends");
    const Rect bounds = QuorvelInternal::dashboardRole().getDashboardBounds();
    const float width = bounds.size.width;
    auto root = View::viewWithFrame(Rect(0, 0, width, bounds.size.height));
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->setBackgroundColor(Color::rgb(0.11f, 0.12f, 0.14f));
    // Laid out to fit the short page of a phone on its side too: two lines of text, then the buttons.
    auto intro = layout::makeLabel(Rect(20, 12, width - 40, 40), 14, false);
    intro->setTextColor(Color::whiteColor());
    intro->setNumberOfLines(0);
    intro->setText("Find your friends on Quorvel to see what they are playing.");
    intro->setAutoresizingMask(FlexibleWidth);
    root->addSubview(intro.get());
    auto button = [&](float y, const std::string& title, Control::PlainAction action) {
        Ref<QVDefaultButton> b = QVDefaultButton::greenButton(Rect(20, y, width - 40, 44));
        b->setAutoresizingMask(FlexibleWidth);
        b->setTitleForAllStates(title);
        b->addTarget(this, action, TouchUpInside);
        root->addSubview(b.get());
        return Ref<Button>(b.get());
    };
    facebookButton_ = button(62, "Import from Facebook", Control::PlainAction(BRISKO_SELECTOR(QVImportFriendsController, onImportFromFacebook)));
    twitterButton_ = button(108, "Import from Twitter", Control::PlainAction(BRISKO_SELECTOR(QVImportFriendsController, onImportFromTwitter)));
    findByNameButton_ = button(154, "Find by Name", Control::PlainAction(BRISKO_SELECTOR(QVImportFriendsController, onFindByName)));
    setView(root.get());
}

} // namespace quorvel
