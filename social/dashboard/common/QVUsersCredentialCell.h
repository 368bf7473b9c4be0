// QVUsersCredentialCell: the row that shows one of the player's credentials
// (a linked social network, or the e-mail and password), with the table of the
// credential types the client knows: their image, the screen that links or
// creates one, and the row's text.
#pragma once

#include "social/ui/QVTableCellHelper.h"

#include <optional>

namespace quorvel {

class QVUsersCredentialCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVUsersCredentialCell)
public:
    struct KnownCredential {
        const char* type;
        const char* image;          // null: none
        const char* controllerName;
        const char* cellText;       // null: none
    };
    static const KnownCredential* getKnownCredential(const std::string& type);
    static std::optional<std::string> getCredentialImage(const std::string& type);
    static std::optional<std::string> getCredentialControllerName(const std::string& type);
    static std::optional<std::string> getCredentialCellText(const std::string& type);

    bool initQVTableCellHelper(const std::string& reuseIdentifier) override;
    void onResourceChanged(platform::Object* resource) override;

protected:
    QVUsersCredentialCell() = default;
};

} // namespace quorvel
