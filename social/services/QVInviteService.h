// QVInviteService: invitations to a game — the ones the player received,
// ignoring one, the game's primary or a named invite definition, and sending
// an invitation to players and address-book contacts. QVInviteDefinition and
// QVInvite are its records and public classes with class-wide delegates.
#pragma once

#include "social/runtime/QVResourceImageDownload.h"
#include "social/runtime/QVService.h"
#include "social/runtime/QVServicePublicClass.h"
#include "social/services/QVUser.h"

#include <string>
#include <vector>

namespace quorvel {

class QVInviteDefinition;

class QVInviteService : public QVSharedService<QVInviteService> {
public:
    QVInviteService() = default;

    // GET "invites.xml": "page", "mark_viewed" = "true" (the user is not sent).
    static void getInvitesForUser(QVUser* user, unsigned int pageIndex, const QVDelegate& onSuccess,
                                  const QVDelegate& onFailure);
    // PUT "invites/<id>/ignore".
    static void ignoreInvite(const std::string& inviteId, const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // GET "invite_definitions/primary".
    static platform::Ref<QVRequestHandle> getDefaultInviteDefinitionForApplication(const QVDelegate& onSuccess,
                                                                                   const QVDelegate& onFailure);
    // GET "invite_definitions/<identifier>.xml".
    static platform::Ref<QVRequestHandle> getInviteDefinition(const std::string& inviteIdentifier,
                                                              const QVDelegate& onSuccess,
                                                              const QVDelegate& onFailure);
    // POST "invites.xml": "key", "invite[sender_message]", then per recipient
    // "invite[receivers][]" (a player's id), "invite[sms_receivers][]" (a
    // contact's number) or else "invite[email_receivers][]" (its e-mail).
    static platform::Ref<QVRequestHandle> sendInvite(const QVInviteDefinition& definition, const std::string& message,
                                                     const std::vector<platform::Ref<platform::Object>>& recipients,
                                                     const QVDelegate& onSuccess, const QVDelegate& onFailure);

    // Opens the dashboard's invite flow for that invitation over the game (no request).
    static void displaySendInviteModal(const std::string& inviteIdentifier);

    void populateKnownResources(QVResourceNameMap& map) override;
};

class QVInviteDefinitionDelegate {
public:
    virtual ~QVInviteDefinitionDelegate() = default;
    virtual void didGetPrimaryInviteDefinition(QVInviteDefinition*) { }
    virtual void didFailGetPrimaryInviteDefinition() { }
    virtual void didGetInviteDefinition(QVInviteDefinition*) { }
    virtual void didFailGetInviteDefinition() { }
    virtual void didGetInviteIcon(platform::Image*, QVInviteDefinition*) { }
    virtual void didFailGetInviteIconQVInviteDefinition(QVInviteDefinition*) { }
};

class QVInviteDefinitionClass : public QVServicePublicClass<QVInviteDefinitionClass, QVInviteDefinitionDelegate> {
    friend class QVServicePublicClass<QVInviteDefinitionClass, QVInviteDefinitionDelegate>;
    QVInviteDefinitionClass() = default;

public:
    void _getPrimaryInviteDefinitionSuccess(platform::Object* series);
    void _getPrimaryInviteDefinitionFailure(platform::Object*);
    void _getInviteDefinitionSuccess(platform::Object* series);
    void _getInviteDefinitionFailure(platform::Object*);
};

class QVInviteDefinition : public QVResource {
    QV_DECLARE_RESOURCE(QVInviteDefinition)
public:
    static std::string getResourceName() { return "invite_definition"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVInviteService::sharedService(); }

    // Answered to the class's delegate; an answer without a definition is a failure.
    static platform::Ref<QVRequestHandle> getPrimaryInviteDefinition();
    static platform::Ref<QVRequestHandle> getInviteDefinition(const std::string& inviteIdentifier);
    // A null delegate also forgets the class's running requests.
    static void setDelegate(QVInviteDefinitionDelegate* d) { QVInviteDefinitionClass::setDelegate(d); }
    // The icon from the image cache (told to the delegate at once; null
    // answered) or downloaded (the transfer's handle, filed under the class).
    platform::Ref<QVRequestHandle> getInviteIcon();
    ~QVInviteDefinition() override;

    std::string clientApplicationName, clientApplicationID, inviteIdentifier, senderParameter, receiverParameter,
        inviteIconURL, developerMessage, receiverNotification, senderNotification, senderIncentiveText,
        suggestedSenderMessage;

protected:
    QVInviteDefinition() = default;

private:
    QVResourcePicture picture_;
};

class QVInvite;

class QVInviteDelegate {
public:
    virtual ~QVInviteDelegate() = default;
    virtual void didSendInvite(QVInvite*) { }
    virtual void didFailSendInvite(QVInvite*) { }
    virtual void didGetInviteIcon(platform::Image*, QVInvite*) { }
    virtual void didFailGetInviteIconQVInvite(QVInvite*) { }
};

class QVInviteClass : public QVServicePublicClass<QVInviteClass, QVInviteDelegate> {
    friend class QVServicePublicClass<QVInviteClass, QVInviteDelegate>;
    QVInviteClass() = default;
};

class QVInvite : public QVResource {
    QV_DECLARE_RESOURCE(QVInvite)
public:
    static std::string getResourceName() { return "invite"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVInviteService::sharedService(); }

    // An outgoing invitation made from a definition, with its suggested message.
    static platform::Ref<QVInvite> inviteWithInviteDefinition(QVInviteDefinition* definition);
    // Null (nothing sent) without a definition.
    platform::Ref<QVRequestHandle> sendInviteToUsers(const std::vector<platform::Ref<platform::Object>>& recipients);
    // The invite flow for this invitation's definition; nothing without one.
    void displayAndSendInviteScreen();
    static void setDelegate(QVInviteDelegate* d) { QVInviteClass::setDelegate(d); }
    // The icon from the image cache (told to the delegate at once; null
    // answered) or downloaded (the transfer's handle, filed under the class).
    platform::Ref<QVRequestHandle> getInviteIcon();
    ~QVInvite() override;

    void _sendInviteSuccess(platform::Object*);
    void _sendInviteFailure(platform::Object*);

    QVUser* senderUser() const { return senderUser_.get(); }
    QVUser* receiverUser() const { return receiverUser_.get(); }
    QVInviteDefinition* inviteDefinition() const { return inviteDefinition_.get(); }
    std::string clientApplicationName, clientApplicationID, inviteIdentifier, senderParameter, receiverParameter,
        inviteIconURL, developerMessage, receiverNotification, senderNotification, userMessage, state;

protected:
    QVInvite() = default;

private:
    platform::Ref<QVUser> senderUser_;
    platform::Ref<QVUser> receiverUser_;
    platform::Ref<QVInviteDefinition> inviteDefinition_;
    QVResourcePicture picture_;
};

} // namespace quorvel
