// QVAddOnSettingsRole: how the internal settings reach the add-ons that
// joined the client. The built-in defaults are offered to them before the
// settings file is read (setDefaultAddOnSettings), and once the file is read
// they may take their own settings from it (loadAddOnSettings, with the
// document as reader).
//
// The central class implements it over its add-on registry and installs it
// at start-up (setCurrent), removing it at shut-down. Without a running
// client there are no add-ons to tell: both calls do nothing.
#pragma once

#include "platform/foundation/Value.h"

namespace platform {
class Object;
}

namespace quorvel {

class QVAddOnSettingsRole {
public:
    virtual ~QVAddOnSettingsRole() = default;

    virtual void setDefaultAddOnSettings(platform::ValueDictionary&) { }
    virtual void loadAddOnSettings(platform::ValueDictionary&, platform::Object* /*reader*/) { }

    // The installed role, or the default one.
    static QVAddOnSettingsRole& current();
    // Installs a role (not owned: whoever installs one removes it before it
    // goes); null restores the default.
    static void setCurrent(QVAddOnSettingsRole* role);
};

} // namespace quorvel
