// Person, AddressBook and PeoplePickerNavigationController: the contacts
// stand-in, its picker's screen (a title and a Cancel) and its delegate sequence.
#include "platform/ui/PeoplePicker.h"

#include "platform/ui/BarButtonItem.h"

#include <algorithm>

namespace platform::ui {

Ref<Person> Person::create(const std::string& firstName, const std::string& lastName)
{
    auto p = adoptRef(new Person);
    p->firstName_ = firstName;
    p->lastName_ = lastName;
    return p;
}

int Person::addEmail(const std::string& label, const std::string& value)
{
    emails_.push_back({ nextIdentifier_, label, value });
    return nextIdentifier_++;
}

int Person::addPhone(const std::string& label, const std::string& value)
{
    phones_.push_back({ nextIdentifier_, label, value });
    return nextIdentifier_++;
}

std::optional<std::string> Person::value(PersonProperty property, int identifier) const
{
    auto find = [identifier](const std::vector<MultiValueEntry>& list) -> std::optional<std::string> {
        for (auto& e : list)
            if (e.identifier == identifier)
                return e.value;
        return std::nullopt;
    };
    switch (property) {
    case PersonProperty::FirstName: return firstName_;
    case PersonProperty::LastName: return lastName_;
    case PersonProperty::Email: return find(emails_);
    case PersonProperty::Phone: return find(phones_);
    }
    return std::nullopt;
}

AddressBook& AddressBook::shared()
{
    static AddressBook book;
    return book;
}

void AddressBook::addPerson(Person* person)
{
    if (!person || person->recordId_ != 0)
        return;
    person->recordId_ = nextId_++;
    people_.push_back(person);
}

Person* AddressBook::personWithRecordId(int recordId) const
{
    for (auto& p : people_)
        if (p->recordId() == recordId)
            return p.get();
    return nullptr;
}

void AddressBook::removeAll()
{
    for (auto& p : people_)
        p->recordId_ = 0;
    people_.clear();
    nextId_ = 1;
}

Ref<PeoplePickerNavigationController> PeoplePickerNavigationController::picker()
{
    auto p = adoptRef(new PeoplePickerNavigationController);
    return p->init() ? p : nullptr;
}

bool PeoplePickerNavigationController::init()
{
    if (!NavigationController::init())
        return false;
    // What the device's picker shows at the least: the book's title, and a way out.
    Ref<ViewController> screen = ViewController::controller();
    screen->setTitle("All Contacts");
    screen->navigationItem()->setRightBarButtonItem(BarButtonItem::withSystemItem(
        BarButtonItem::SystemItem::Cancel, this,
        BarButtonItem::PlainAction(BRISKO_SELECTOR(PeoplePickerNavigationController, cancel))));
    setViewControllers({ screen }, false);
    return true;
}

bool PeoplePickerNavigationController::choosePersonForTest(Person* person)
{
    if (!person || AddressBook::shared().personWithRecordId(person->recordId()) != person)
        return false;
    Ref<PeoplePickerNavigationController> keep = this;
    bool go = delegate_ ? delegate_->peoplePickerShouldContinueAfterSelectingPerson(this, person) : true;
    if (go)
        shown_ = person;
    return go;
}

bool PeoplePickerNavigationController::choosePropertyForTest(PersonProperty property, int identifier)
{
    if (!shown_)
        return false;
    if (!displayed_.empty() && std::find(displayed_.begin(), displayed_.end(), property) == displayed_.end())
        return false;
    if (!shown_->value(property, identifier))
        return false;
    Ref<PeoplePickerNavigationController> keep = this;
    Ref<Person> person = shown_;
    return delegate_ ? delegate_->peoplePickerShouldContinueAfterSelectingPersonProperty(this, person.get(), property, identifier) : false;
}

void PeoplePickerNavigationController::cancel()
{
    Ref<PeoplePickerNavigationController> keep = this;
    shown_ = nullptr;
    if (delegate_)
        delegate_->peoplePickerDidCancel(this);
    else
        dismissModalViewControllerAnimated(true);
}

} // namespace platform::ui
