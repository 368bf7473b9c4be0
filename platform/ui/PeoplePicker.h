// A stand-in for the device's contacts: an address book of persons (names,
// e-mail addresses and phone numbers as labelled multi-values, a picture),
// and the people picker that lets the user choose a person and then one of
// the person's values. The picker shows a screen titled "All Contacts" with a
// Cancel, the user's way out. Tests fill the book and play the user with
// choosePersonForTest, choosePropertyForTest and cancelForTest (or a tap on
// the Cancel). The picker's delegate is not owned; without one, Cancel closes
// the picker.
#pragma once

#include "platform/foundation/Value.h"
#include "platform/ui/NavigationController.h"

#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

enum class PersonProperty { FirstName = 0, LastName, Email, Phone };

// One value of a multi-value property; the identifier stays with the value.
struct MultiValueEntry {
    int identifier { 0 };
    std::string label;
    std::string value;
};

class Person final : public Object {
public:
    static Ref<Person> create(const std::string& firstName, const std::string& lastName);

    // 0 until the person is added to the address book.
    int recordId() const { return recordId_; }
    const std::string& firstName() const { return firstName_; }
    void setFirstName(const std::string& n) { firstName_ = n; }
    const std::string& lastName() const { return lastName_; }
    void setLastName(const std::string& n) { lastName_ = n; }
    // Answers the new value's identifier.
    int addEmail(const std::string& label, const std::string& value);
    int addPhone(const std::string& label, const std::string& value);
    const std::vector<MultiValueEntry>& emails() const { return emails_; }
    const std::vector<MultiValueEntry>& phones() const { return phones_; }
    // The value of a multi-value property by identifier (names ignore it).
    std::optional<std::string> value(PersonProperty property, int identifier = 0) const;
    bool hasImageData() const { return !imageData_.empty(); }
    const Bytes& imageData() const { return imageData_; }
    void setImageData(Bytes data) { imageData_ = std::move(data); }

private:
    friend class AddressBook;
    Person() = default;
    int recordId_ { 0 };
    int nextIdentifier_ { 0 };
    std::string firstName_;
    std::string lastName_;
    std::vector<MultiValueEntry> emails_;
    std::vector<MultiValueEntry> phones_;
    Bytes imageData_;
};

class AddressBook {
public:
    static AddressBook& shared();
    // Gives the person the next record id (from 1).
    void addPerson(Person* person);
    const std::vector<Ref<Person>>& people() const { return people_; }
    Person* personWithRecordId(int recordId) const;
    void removeAll();

private:
    std::vector<Ref<Person>> people_;
    int nextId_ { 1 };
};

class PeoplePickerNavigationController;

class PeoplePickerDelegate {
public:
    virtual ~PeoplePickerDelegate() = default;
    // Answer true to go on to the person's values.
    virtual bool peoplePickerShouldContinueAfterSelectingPerson(PeoplePickerNavigationController* /*picker*/, Person* /*person*/) { return true; }
    // Answer true for the device's own action on the value.
    virtual bool peoplePickerShouldContinueAfterSelectingPersonProperty(PeoplePickerNavigationController* /*picker*/, Person* /*person*/,
                                                                        PersonProperty /*property*/, int /*identifier*/) { return false; }
    virtual void peoplePickerDidCancel(PeoplePickerNavigationController* /*picker*/) { }
};

class PeoplePickerNavigationController : public NavigationController {
public:
    static Ref<PeoplePickerNavigationController> picker();
    bool init() override;

    PeoplePickerDelegate* peoplePickerDelegate() const { return delegate_; }
    void setPeoplePickerDelegate(PeoplePickerDelegate* d) { delegate_ = d; }
    // Empty: every property is shown.
    const std::vector<PersonProperty>& displayedProperties() const { return displayed_; }
    void setDisplayedProperties(std::vector<PersonProperty> p) { displayed_ = std::move(p); }
    // The person whose values are shown, after a person was chosen.
    Person* shownPerson() const { return shown_.get(); }

    // Answers the delegate's should-continue; false for a person not in the book.
    bool choosePersonForTest(Person* person);
    // A value of the shown person: false without a shown person, for a
    // property not displayed, or for an identifier the person does not have.
    bool choosePropertyForTest(PersonProperty property, int identifier);
    // What the Cancel does: the delegate hears it, or the picker closes itself.
    void cancel();
    void cancelForTest() { cancel(); }

protected:
    PeoplePickerNavigationController() = default;

private:
    PeoplePickerDelegate* delegate_ { nullptr };
    std::vector<PersonProperty> displayed_;
    Ref<Person> shown_;
};

} // namespace platform::ui
