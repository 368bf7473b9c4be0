// The one reader of answers: resources, sections, paging headers, meta-data
// and server notifications, read from the parser's events without an element
// tree (the large lists of the service). A document already parsed, or one
// element of it, is read by replaying its elements as the same events. Only a
// server notification is built as an element, because the request UI role takes it as one.
#include "social/runtime/QVResource.h"

#include "social/runtime/QVAnswer.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/runtime/QVXmlDocument.h"

#include "platform/foundation/SaxReader.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace quorvel {

using platform::Ref;

namespace {

constexpr int kMaxResourceDepth = 256;
// An answer read into records keeps no element: an element costs its frame
// while it is open and its text while it is read; a record costs its object,
// with the allocator's overhead and its place in a list (kRecordOverhead).
constexpr size_t kStreamElementCost = 16;
constexpr size_t kStreamAttributeCost = 16;
constexpr size_t kRecordOverhead = 64;
// A section: its page of records and its description in the list.
constexpr size_t kSectionCost = 512;

const QVResourceClass* classForElement(const std::string& name, const QVResourceNameMap& names)
{
    if (const QVResourceClass* cls = names.find(name))
        return cls;
    return QVResourceClass::withResourceName(name);
}

// A paging number: 0 when the text holds none; none at all when it is a
// number no count can be (beyond what an int holds, as the list's rows are).
std::optional<unsigned int> headerNumber(const std::string& text)
{
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos || text[start] < '0' || text[start] > '9')
        return 0u;
    errno = 0;
    unsigned long long v = std::strtoull(text.c_str() + start, nullptr, 10);
    if (errno == ERANGE || v > static_cast<unsigned long long>(INT_MAX))
        return std::nullopt;
    return static_cast<unsigned int>(v);
}

constexpr const char* kServerNotification = "server_notification";

// Header numbers by element name, in the order of their bits in Frame::seen.
constexpr const char* kHeaderFields[] = { "current_offset", "current_page", "total_pages", "per_page", "total_objects" };

class StreamReader : public platform::SaxHandler {
public:
    StreamReader(const QVResourceNameMap& names, QVPaginatedSeries& series) : names_(names), series_(series)
    {
        frames_.reserve(16);
    }
    // Reads one resource's element into `target` instead of an answer.
    StreamReader(const QVResourceNameMap& names, QVPaginatedSeries& series, QVResource& target)
        : StreamReader(names, series)
    {
        target_ = &target;
    }

    void startElement(const char* name, const char** attributes) override;
    void characters(const char* text, size_t length) override;
    void endElement(const char*) override;

    // Why the answer, though well-formed, is no answer (empty when it is one),
    // with the service's messages when it is an error list.
    std::string failure() const
    {
        return errorList_ ? failure_ + ": " + QVAnswer::oneLine(errorList_->messages()) : failure_;
    }
    // The parser that counts what the answer costs: told of each resource made.
    void setParser(platform::SaxReader* parser) { parser_ = parser; }

    // Shown once the whole answer has read well, so a damaged answer shows nothing.
    void showNotifications()
    {
        for (const auto& element : notifications_)
            QVRequestUIRole::current().showServerNotification(*element, names_);
    }

private:
    enum class Kind : uint8_t {
        Envelope,     // the top element
        Section,      // a resource_section: a page of its own
        Resource,     // a resource element
        Text,         // a plain field, an id, a header number, a section's title or identifier
        Array,        // an array field
        Header,       // pagination_header
        Sections,     // resource_sections
        Meta,         // table_meta_data
        Notification, // server_notification, built as an element
        Skip,         // anything else, with everything inside it
    };
    enum class TextUse : uint8_t { Field, Id, HeaderNumber, SectionTitle, SectionIdentifier };

    // Small on purpose: one is pushed and popped per element. What a frame
    // owns lives on the side stacks below.
    struct Frame {
        Kind kind;
        TextUse use { TextUse::Field };
        uint8_t headerField { 0 };
        uint8_t seen { 0 };      // Header: numbers read; Section: 1 title, 2 identifier; Resource: 1 id child
        int depth { 0 };          // Resource, Array: nesting of resources
        const QVResourceDataMap::Field* field { nullptr };
    };
    struct SectionState {
        Ref<QVPaginatedSeries> page;
        std::string title, identifier;
    };

    void push(Kind kind, int depth = 0, const QVResourceDataMap::Field* field = nullptr)
    {
        frames_.push_back(Frame { kind, TextUse::Field, 0, 0, depth, field });
    }
    void pushText(TextUse use, const QVResourceDataMap::Field* field = nullptr, uint8_t headerField = 0)
    {
        text_.clear();
        frames_.push_back(Frame { Kind::Text, use, headerField, 0, 0, field });
    }
    void pushResource(const QVResourceClass& cls, const char** attributes, int depth,
                      const QVResourceDataMap::Field* field = nullptr)
    {
        // A resource holds more than the elements it is read from count for.
        if (parser_ && !parser_->addCost(cls.instanceSize() + kRecordOverhead)) {
            push(Kind::Skip);
            return;
        }
        resources_.push_back(cls.create());
        if (const char* id = platform::SaxReader::attribute(attributes, "id"))
            resources_.back()->setResourceId(id);
        push(Kind::Resource, depth, field);
    }
    // The series that resources, headers and meta-data of the current envelope or section go to.
    QVPaginatedSeries& currentSeries() { return sections_.empty() ? series_ : *sections_.back().page; }
    void startInEnvelope(Frame& env, const char* name, const char** attributes);
    void startInResource(Frame& owner, const char* name, const char** attributes);
    void startNotificationElement(const char* name, const char** attributes);
    void finish(const Frame& done);

    const QVResourceNameMap& names_;
    QVPaginatedSeries& series_;
    platform::SaxReader* parser_ { nullptr };
    QVResource* target_ { nullptr };
    std::vector<Frame> frames_;
    std::string text_;
    std::vector<Ref<QVResource>> resources_;
    std::vector<QVResourceArray> arrays_;
    std::vector<SectionState> sections_;
    Ref<QVPaginatedSeriesHeader> header_;
    // The server notification being built, and the finished ones.
    std::unique_ptr<QVXmlElement> notification_;
    std::vector<QVXmlElement*> notificationStack_;
    std::vector<std::unique_ptr<QVXmlElement>> notifications_;
    std::string failure_;
    std::unique_ptr<QVErrorListReader> errorList_; // when the answer is an error list
};

void StreamReader::startElement(const char* name, const char** attributes)
{
    if (errorList_) {
        errorList_->startElement(name, attributes);
        push(Kind::Skip);
        return;
    }
    if (frames_.empty()) {
        if (target_) {
            resources_.emplace_back(target_);
            if (const char* id = platform::SaxReader::attribute(attributes, "id"))
                target_->setResourceId(id);
            push(Kind::Resource);
        } else if (std::strcmp(name, kServerNotification) == 0) {
            startNotificationElement(name, attributes);
        } else if (const QVResourceClass* cls = names_.find(name)) {
            pushResource(*cls, attributes, 0);
        } else {
            // An error list or an HTML page is never an envelope (QVAnswer).
            if (std::string why; !QVAnswer::isAnswerElement(name, &why) && failure_.empty())
                failure_ = why;
            // An error list's messages are read on the way, so that it is read once.
            if (std::strcmp(name, "errors") == 0 && !target_) {
                errorList_ = std::make_unique<QVErrorListReader>();
                errorList_->startElement(name, attributes);
                push(Kind::Skip);
                return;
            }
            push(Kind::Envelope);
        }
        return;
    }
    Frame& owner = frames_.back();
    switch (owner.kind) {
    case Kind::Envelope:
    case Kind::Section:
        startInEnvelope(owner, name, attributes);
        return;
    case Kind::Resource:
        startInResource(owner, name, attributes);
        return;
    case Kind::Array:
        if (const QVResourceClass* cls = classForElement(name, names_))
            pushResource(*cls, attributes, owner.depth + 1);
        else
            push(Kind::Skip);
        return;
    case Kind::Header: {
        uint8_t which = 0xFF;
        for (uint8_t i = 0; i < 5; ++i) {
            if (std::strcmp(name, kHeaderFields[i]) == 0)
                which = i;
        }
        // The first element of each number counts.
        if (which != 0xFF && !(owner.seen & (1u << which))) {
            owner.seen |= static_cast<uint8_t>(1u << which);
            pushText(TextUse::HeaderNumber, nullptr, which);
        } else {
            push(Kind::Skip);
        }
        return;
    }
    case Kind::Sections:
        if (std::strcmp(name, "resource_section") == 0) {
            if (parser_ && !parser_->addCost(kSectionCost)) {
                push(Kind::Skip);
                return;
            }
            sections_.push_back(SectionState { QVPaginatedSeries::paginatedSeries(), {}, {} });
            push(Kind::Section);
        } else {
            push(Kind::Skip);
        }
        return;
    case Kind::Meta:
        if (std::strcmp(name, kServerNotification) == 0)
            startNotificationElement(name, attributes);
        else if (const QVResourceClass* cls = classForElement(name, names_))
            pushResource(*cls, attributes, 0);
        else
            push(Kind::Skip);
        return;
    case Kind::Notification:
        startNotificationElement(name, attributes);
        return;
    case Kind::Text:
    case Kind::Skip:
        push(Kind::Skip);
        return;
    }
}

void StreamReader::startNotificationElement(const char* name, const char** attributes)
{
    // A notification is kept as an element tree: it costs what a tree's elements do.
    size_t cost = platform::SaxReader::kElementCost - kStreamElementCost;
    for (const char** a = attributes; a && a[0] && a[1]; a += 2)
        cost += platform::SaxReader::kAttributeCost - kStreamAttributeCost;
    if (parser_ && !parser_->addCost(cost)) {
        push(Kind::Skip);
        return;
    }
    auto element = std::make_unique<QVXmlElement>();
    element->name = name;
    for (const char** a = attributes; a && a[0] && a[1]; a += 2)
        element->attributes.emplace_back(a[0], a[1]);
    QVXmlElement* raw = element.get();
    if (notificationStack_.empty())
        notification_ = std::move(element);
    else
        notificationStack_.back()->children.push_back(std::move(element));
    notificationStack_.push_back(raw);
    push(Kind::Notification);
}

void StreamReader::startInEnvelope(Frame& env, const char* name, const char** attributes)
{
    // A notification is a message for the player, whatever the service's names say.
    if (std::strcmp(name, kServerNotification) == 0) {
        startNotificationElement(name, attributes);
    } else if (const QVResourceClass* cls = names_.find(name)) {
        pushResource(*cls, attributes, 0);
    } else if (std::strcmp(name, "pagination_header") == 0) {
        header_ = QVPaginatedSeriesHeader::header();
        push(Kind::Header);
    } else if (std::strcmp(name, "resource_sections") == 0 && env.kind == Kind::Envelope) {
        push(Kind::Sections);
    } else if (std::strcmp(name, "table_meta_data") == 0) {
        push(Kind::Meta);
    } else if (env.kind == Kind::Section && !(env.seen & 1) && std::strcmp(name, "title") == 0) {
        env.seen |= 1;
        pushText(TextUse::SectionTitle);
    } else if (env.kind == Kind::Section && !(env.seen & 2) && std::strcmp(name, "identifier") == 0) {
        env.seen |= 2;
        pushText(TextUse::SectionIdentifier);
    } else {
        push(Kind::Skip);
    }
}

void StreamReader::startInResource(Frame& owner, const char* name, const char** attributes)
{
    const QVResourceDataMap::Field* field =
        owner.depth < kMaxResourceDepth ? resources_.back()->resourceClass().dataMap().find(name) : nullptr;
    if (!(owner.seen & 1) && std::strcmp(name, "id") == 0) {
        owner.seen |= 1;
        pushText(TextUse::Id, field && field->kind == QVResourceDataMap::Kind::Plain ? field : nullptr);
        return;
    }
    if (!field) {
        push(Kind::Skip);
        return;
    }
    switch (field->kind) {
    case QVResourceDataMap::Kind::Plain:
        pushText(TextUse::Field, field);
        return;
    case QVResourceDataMap::Kind::Nested:
        pushResource(*field->resourceClass, attributes, owner.depth + 1, field);
        return;
    case QVResourceDataMap::Kind::NestedArray:
        arrays_.emplace_back();
        push(Kind::Array, owner.depth, field);
        return;
    }
}

void StreamReader::characters(const char* text, size_t length)
{
    if (errorList_)
        errorList_->characters(text, length);
    if (frames_.empty())
        return;
    Kind kind = frames_.back().kind;
    if (kind == Kind::Text)
        text_.append(text, length);
    else if (kind == Kind::Notification)
        notificationStack_.back()->text.append(text, length);
}

void StreamReader::endElement(const char* name)
{
    if (errorList_)
        errorList_->endElement(name);
    if (frames_.empty())
        return;
    Frame done = frames_.back();
    frames_.pop_back();
    finish(done);
}

void StreamReader::finish(const Frame& done)
{
    switch (done.kind) {
    case Kind::Resource: {
        Ref<QVResource> resource = std::move(resources_.back());
        resources_.pop_back();
        if (frames_.empty()) {
            if (!target_)
                series_.objects().push_back(std::move(resource)); // the answer is this one resource
            return;
        }
        switch (frames_.back().kind) {
        case Kind::Envelope:
        case Kind::Section:
            currentSeries().objects().push_back(std::move(resource));
            return;
        case Kind::Meta:
            currentSeries().tableMetaDataObjects().push_back(std::move(resource));
            return;
        case Kind::Array:
            arrays_.back().push_back(std::move(resource));
            return;
        case Kind::Resource:
            if (done.field)
                done.field->setNested(*resources_.back(), resource);
            return;
        default:
            return;
        }
    }
    case Kind::Text:
        switch (done.use) {
        case TextUse::Id:
            resources_.back()->setResourceId(text_);
            if (done.field)
                done.field->setText(*resources_.back(), text_);
            return;
        case TextUse::Field:
            done.field->setText(*resources_.back(), text_);
            return;
        case TextUse::HeaderNumber: {
            std::optional<unsigned int> number = headerNumber(text_);
            if (!number) {
                if (failure_.empty())
                    failure_ = std::string("the paging number <") + kHeaderFields[done.headerField] + "> "
                        + text_.substr(0, 24) + " is no count";
                number = 0u;
            }
            unsigned int v = *number;
            switch (done.headerField) {
            case 0: header_->currentOffset = v; break;
            case 1: header_->currentPage = v; break;
            case 2: header_->totalPages = v; break;
            case 3: header_->perPage = v; break;
            case 4: header_->totalObjects = v; break;
            }
            return;
        }
        case TextUse::SectionTitle:
            sections_.back().title = text_;
            return;
        case TextUse::SectionIdentifier:
            sections_.back().identifier = text_;
            return;
        }
        return;
    case Kind::Array: {
        QVResourceArray items = std::move(arrays_.back());
        arrays_.pop_back();
        done.field->setArray(*resources_.back(), items);
        return;
    }
    case Kind::Header:
        currentSeries().setHeader(std::move(header_));
        return;
    case Kind::Section: {
        SectionState state = std::move(sections_.back());
        sections_.pop_back();
        auto section = QVTableSectionDescription::sectionWithTitle(std::move(state.title), std::move(state.page));
        section->setIdentifier(std::move(state.identifier));
        series_.objects().push_back(std::move(section));
        return;
    }
    case Kind::Notification:
        notificationStack_.pop_back();
        if (notificationStack_.empty() && notification_)
            notifications_.push_back(std::move(notification_));
        return;
    case Kind::Envelope:
    case Kind::Sections:
    case Kind::Meta:
    case Kind::Skip:
        return;
    }
}

// Hands an element and everything inside it to the reader as parser events.
void replay(const QVXmlElement& top, platform::SaxHandler& handler)
{
    struct Open {
        const QVXmlElement* element;
        size_t next;
    };
    std::vector<Open> open;
    std::vector<const char*> attributes;
    auto start = [&](const QVXmlElement& element) {
        attributes.clear();
        for (const auto& [name, value] : element.attributes) {
            attributes.push_back(name.c_str());
            attributes.push_back(value.c_str());
        }
        attributes.push_back(nullptr);
        handler.startElement(element.name.c_str(), attributes.data());
        if (!element.text.empty())
            handler.characters(element.text.data(), element.text.size());
        open.push_back(Open { &element, 0 });
    };
    start(top);
    while (!open.empty()) {
        Open& current = open.back();
        if (current.next < current.element->children.size()) {
            start(*current.element->children[current.next++]);
        } else {
            handler.endElement(current.element->name.c_str());
            open.pop_back();
        }
    }
}

} // namespace

struct QVResourceEventReader::Impl {
    Impl(QVResource& target, const QVResourceNameMap& names) : reader(names, *unused, target) { }
    Ref<QVPaginatedSeries> unused = QVPaginatedSeries::paginatedSeries(); // made before the reader
    StreamReader reader;
};

QVResourceEventReader::QVResourceEventReader(QVResource& target, const QVResourceNameMap& names)
    : impl_(std::make_unique<Impl>(target, names))
{
}

QVResourceEventReader::~QVResourceEventReader() = default;

platform::SaxHandler& QVResourceEventReader::handler() { return impl_->reader; }

void QVResource::populateFromXml(const QVXmlElement& element, const QVResourceNameMap& names)
{
    auto unused = QVPaginatedSeries::paginatedSeries();
    StreamReader reader(names, *unused, *this);
    replay(element, reader);
}

Ref<QVPaginatedSeries> QVResource::resourcesFromXml(const QVXmlDocument* document, const QVResourceNameMap& names)
{
    if (!document || !document->topElement())
        return nullptr;
    auto series = QVPaginatedSeries::paginatedSeries();
    StreamReader reader(names, *series);
    replay(*document->topElement(), reader);
    if (!reader.failure().empty())
        return nullptr;
    reader.showNotifications();
    return series;
}

Ref<QVPaginatedSeries> QVResource::resourcesFromData(const void* bytes, size_t length, const QVResourceNameMap& names,
                                                     std::string* error)
{
    auto series = QVPaginatedSeries::paginatedSeries();
    StreamReader reader(names, *series);
    platform::SaxReader parser(reader);
    reader.setParser(&parser);
    parser.setCosts(kStreamElementCost, kStreamAttributeCost);
    if (!bytes || length == 0 || !parser.parse(bytes, length)) {
        if (error)
            *error = length == 0 ? std::string("empty document") : parser.error();
        return nullptr;
    }
    if (!reader.failure().empty()) {
        if (error)
            *error = reader.failure();
        return nullptr;
    }
    reader.showNotifications();
    return series;
}

} // namespace quorvel
