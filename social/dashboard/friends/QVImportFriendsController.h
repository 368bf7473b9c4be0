// QVImportFriendsController ("ImportFriends"): the buttons that import friends
// from Facebook or Twitter or find one by name, for the screen set by
// "setController" (itself unless another was set).
#pragma once

#include "platform/ui/Button.h"
#include "social/dashboard/common/QVFriendImporter.h"
#include "social/ui/QVViewController.h"

namespace quorvel {

class QVImportFriendsController : public QVViewController {
    QV_DECLARE_CLASS(QVImportFriendsController)
public:
    QVFriendImporter* importer() const { return mImporter.get(); }
    void setController(platform::ui::ViewController* controller) { mImporter->setController(controller); }
    bool performSetter(const std::string& setterName, platform::Object* value) override;

    void onImportFromFacebook() { mImporter->importFromFacebook(); }
    void onImportFromTwitter() { mImporter->importFromTwitter(); }
    void onFindByName() { mImporter->findByName(); }

    platform::ui::Button* facebookButton() const { return facebookButton_.get(); }
    platform::ui::Button* twitterButton() const { return twitterButton_.get(); }
    platform::ui::Button* findByNameButton() const { return findByNameButton_.get(); }
    void loadView() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVImportFriendsController();
    ~QVImportFriendsController() override;

private:
    platform::Ref<QVFriendImporter> mImporter;
    platform::Ref<platform::ui::Button> facebookButton_;
    platform::Ref<platform::ui::Button> twitterButton_;
    platform::Ref<platform::ui::Button> findByNameButton_;
};

} // namespace quorvel
