// Keyed archiving: objects and their values survive a stored archive, only the
// classes named are made, malformed archives give null and a reason, and
// objects that cannot be archived fail their assertions.
#include "platform/foundation/KeyedCoder.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/PropertyList.h"
#include "support/Assertions.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// A codable record: a name, an optional partner and a list of parts.
class Part final : public Object, public Coding {
public:
    static Ref<Part> make(std::string name) { auto p = adoptRef(new Part); p->name = std::move(name); return p; }
    static Ref<Object> decode(KeyedUnarchiver& coder)
    {
        auto p = make(coder.decodeValue("name").string());
        auto parts = coder.decodeObjects("parts");
        if (!coder.decodeValue("name").isString() || !parts)
            return nullptr;
        p->parts = std::move(*parts);
        if (coder.containsValueForKey("partner") && !(p->partner = coder.decodeObject("partner")))
            return nullptr;
        return p;
    }
    void encodeWithCoder(KeyedArchiver& coder) const override
    {
        coder.encodeValue("name", name);
        coder.encodeObject("partner", partner.get());
        coder.encodeObjects("parts", parts);
    }

    std::string name;
    Ref<Object> partner;
    std::vector<Ref<Object>> parts;
};

const KeyedUnarchiver::Classes kParts { { "Part", Part::decode } };

// A link to an optional next one, decoded whether present or not, and a list of items.
class Link final : public Object, public Coding {
public:
    static Ref<Object> decode(KeyedUnarchiver& coder)
    {
        auto link = adoptRef(new Link);
        link->next = coder.decodeObject("next");
        if (coder.containsValueForKey("next") && !link->next)
            return nullptr;
        auto items = coder.decodeObjects("items");
        if (!items)
            return nullptr;
        link->items = std::move(*items);
        return link;
    }
    void encodeWithCoder(KeyedArchiver& coder) const override
    {
        coder.encodeObject("next", next.get());
        coder.encodeObjects("items", items);
    }

    Ref<Object> next;
    std::vector<Ref<Object>> items;
};

const KeyedUnarchiver::Classes kLinks { { "Link", Link::decode } };

// The archive of `depth` links, each the next of the one before.
Value chainOfLinks(int depth)
{
    Value chain;
    for (int i = 0; i < depth; ++i) {
        ValueDictionary link;
        link.set("$class", "Link");
        if (!chain.isNil())
            link.set("next", std::move(chain));
        link.set("items", ValueArray {});
        chain = Value(std::move(link));
    }
    return chain;
}

std::string refusal(const Value& archive, const KeyedUnarchiver::Classes& classes)
{
    std::string error;
    EXPECT_FALSE(KeyedUnarchiver::unarchiveObject(archive, classes, &error));
    return error;
}

// The archive written as a property list and read back, as a stored one would be.
Value stored(const Value& archive)
{
    const std::string xml = *writePropertyList(archive);
    std::optional<Value> read = readPropertyList(xml.data(), xml.size());
    EXPECT_TRUE(read);
    return read.value_or(Value());
}

} // namespace

TEST(KeyedCoder, ObjectsAndValuesSurviveAStoredArchive)
{
    auto root = Part::make("root");
    root->partner = Part::make("partner");
    root->parts = { Boxed::number(7), Part::make("inner"), Boxed::box("text") };

    const Value archive = stored(KeyedArchiver::archivedObject(root.get()));
    EXPECT_EQ(archive["$class"], Value("Part"));
    EXPECT_FALSE(archive["parts"][1].dictionary().contains("partner")) << "a null object writes nothing";

    std::string error;
    auto back = dynamicRef<Part>(KeyedUnarchiver::unarchiveObject(archive, kParts, &error));
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->name, "root");
    EXPECT_EQ(dynamicRef<Part>(back->partner)->name, "partner");
    ASSERT_EQ(back->parts.size(), 3u);
    EXPECT_EQ(dynamicRef<Boxed>(back->parts[0])->value(), Value(7));
    EXPECT_EQ(dynamicRef<Part>(back->parts[1])->name, "inner");
    EXPECT_EQ(dynamicRef<Boxed>(back->parts[2])->value(), Value("text"));
}

TEST(KeyedCoder, MalformedArchivesGiveNullAndTheReason)
{
    auto root = Part::make("root");
    root->parts = { Part::make("inner") };
    const Value good = KeyedArchiver::archivedObject(root.get());

    EXPECT_EQ(refusal(good, {}), "class \"Part\" cannot be unarchived here");
    EXPECT_EQ(refusal(Value("root"), kParts), "no archived object");

    Value badElement = good;
    badElement.mutableDictionary().find("parts")->mutableArray().at(0).mutableDictionary().set("$class", "Gone");
    EXPECT_EQ(refusal(badElement, kParts), "class \"Gone\" cannot be unarchived here under key \"parts\"");

    Value badName = good;
    badName.mutableDictionary().set("name", 3);
    EXPECT_EQ(refusal(badName, kParts), "the archived Part does not decode");
}

TEST(KeyedCoder, AnAbsentOptionalKeyIsNoReasonForAnotherFailure)
{
    auto last = adoptRef(new Link);
    auto first = adoptRef(new Link);
    first->items = { Boxed::number(1), last };
    const Value good = KeyedArchiver::archivedObject(first.get());
    ASSERT_TRUE(KeyedUnarchiver::unarchiveObject(good, kLinks)) << "no next anywhere is fine";

    Value badItem = good;
    badItem.mutableDictionary().find("items")->mutableArray().at(0).mutableDictionary().set("$class", "Gone");
    EXPECT_EQ(refusal(badItem, kLinks), "class \"Gone\" cannot be unarchived here under key \"items\"");

    // The inner link read its absent next and decoded; the outer one lacks its items.
    Value noItems = good;
    noItems.mutableDictionary().remove("items");
    noItems.mutableDictionary().set("next", KeyedArchiver::archivedObject(last.get()));
    EXPECT_EQ(refusal(noItems, kLinks), "no array under key \"items\"");

    // An absent key is the reason when nothing else failed.
    Value partnerless = KeyedArchiver::archivedObject(Part::make("p").get());
    partnerless.mutableDictionary().remove("parts");
    EXPECT_EQ(refusal(partnerless, kParts), "no array under key \"parts\"");
}

TEST(KeyedCoder, ObjectsNestedTooDeepAreRefused)
{
    EXPECT_TRUE(KeyedUnarchiver::unarchiveObject(chainOfLinks(KeyedUnarchiver::kMaxDepth), kLinks));
    EXPECT_EQ(refusal(chainOfLinks(KeyedUnarchiver::kMaxDepth + 1), kLinks),
              "objects nested deeper than 256 levels under key \"next\"");
    // Deep enough to exhaust the stack were it walked to the end.
    EXPECT_EQ(refusal(chainOfLinks(20000), kLinks), "objects nested deeper than 256 levels under key \"next\"");
}

TEST(KeyedCoder, ObjectsThatCannotBeArchivedFailTheirAssertions)
{
    auto loop = Part::make("loop");
    loop->parts = { Part::make("middle") };
    dynamicRef<Part>(loop->parts[0])->parts = { loop };
    EXPECT_ASSERTION(KeyedArchiver::archivedObject(loop.get()), "platform/foundation/KeyedCoder",
                     "KeyedArchiver: an archived object holds itself");
    dynamicRef<Part>(loop->parts[0])->parts.clear(); // breaks the reference cycle

    class Plain final : public Object { };
    auto plain = adoptRef(new Plain);
    EXPECT_ASSERTION(KeyedArchiver::archivedObject(plain.get()), "platform/foundation/KeyedCoder",
                     "KeyedArchiver: Plain cannot be archived");
}
