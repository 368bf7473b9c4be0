// Attributed strings: run lookups, enumeration and every kind of edit, checked
// against the runs they must leave behind.
#include "external/ttfont/TTAttributedString.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/PropertyList.h"
#include "support/Assertions.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

using namespace ttfont;
using platform::Value;
using platform::ui::Color;

namespace {

std::vector<size_t> starts(const TTAttributedString& s)
{
    std::vector<size_t> out;
    for (const auto& r : s.attributes())
        out.push_back(r->index());
    return out;
}

bool has(const TTAttributedString& s, size_t run, const std::string& key)
{
    return s.attributes().at(run)->attributes().find(key) != nullptr;
}

std::string rangeOfRaise(const std::function<void()>& f) { return testing_support::describeRaised(f); }

const TTAttributes kA { { "k", Value("a") } };
const TTAttributes kD { { "k", Value("d") } };

} // namespace

TEST(AttributedStringLookup, EffectiveRangesCoverWholeRuns)
{
    auto s = TTMutableAttributedString::attributedString("hello world");
    ASSERT_EQ(starts(*s), std::vector<size_t> { 0 });
    s->addAttribute("k", Value("v"), { 0, 5 });
    EXPECT_EQ(starts(*s), (std::vector<size_t> { 0, 5 }));

    TTRange r;
    EXPECT_TRUE(s->attributesAtIndex(7, &r).empty());
    EXPECT_EQ(r, (TTRange { 5, 6 }));
    EXPECT_TRUE(s->attribute("k", 2, &r));
    EXPECT_EQ(r, (TTRange { 0, 5 }));
    EXPECT_FALSE(s->attribute("k", 5, nullptr));
    EXPECT_EQ(rangeOfRaise([&] { s->attributesAtIndex(11, &r); }), "NSRangeException: index beyond range of attributed string");
    EXPECT_EQ(rangeOfRaise([&] { s->attribute("k", 0, &r, { 5, 7 }); }),
              "NSRangeException: rangeLimit beyond range of attributed string");

    // The same value over (5, 6) merges the two runs back into one.
    s->addAttribute("k", Value("v"), { 5, 6 });
    EXPECT_EQ(starts(*s), std::vector<size_t> { 0 });
}

TEST(AttributedStringLookup, LongestRangeJoinsRunsWithAnEqualValueWithinTheLimit)
{
    auto s = TTMutableAttributedString::attributedString("aaaaabbbbbccccc");
    s->addAttribute("k", Value(1), { 0, 15 });
    s->addAttribute("other", Value(2), { 5, 5 });
    ASSERT_EQ(starts(*s), (std::vector<size_t> { 0, 5, 10 }));
    TTRange r;
    EXPECT_TRUE(s->attribute("k", 7, &r, { 0, 15 }));
    EXPECT_EQ(r, (TTRange { 0, 15 }));
    EXPECT_TRUE(s->attribute("k", 7, &r, { 3, 9 }));
    EXPECT_EQ(r, (TTRange { 3, 9 }));
    // Without a key only the run itself counts, cut to the limit.
    s->attributesAtIndex(7, &r, { 6, 9 });
    EXPECT_EQ(r, (TTRange { 6, 4 }));
    // An absent key matches other runs without it.
    EXPECT_FALSE(s->attribute("missing", 12, &r, { 0, 15 }));
    EXPECT_EQ(r, (TTRange { 0, 15 }));
}

TEST(AttributedStringEditing, AttributeEditsSplitAndMergeRuns)
{
    auto s = TTMutableAttributedString::attributedString("012345678901234");
    s->addAttribute("a", Value(1), { 5, 5 });
    s->addAttribute("b", Value(1), { 10, 5 });
    ASSERT_EQ(starts(*s), (std::vector<size_t> { 0, 5, 10 }));
    s->addAttribute("key", Value("x"), { 2, 6 });
    EXPECT_EQ(starts(*s), (std::vector<size_t> { 0, 2, 5, 8, 10 }));
    EXPECT_FALSE(has(*s, 0, "key"));
    EXPECT_TRUE(has(*s, 1, "key"));
    EXPECT_TRUE(has(*s, 2, "key"));
    EXPECT_FALSE(has(*s, 3, "key"));

    s->removeAttribute("key", { 0, 15 });
    EXPECT_EQ(starts(*s), (std::vector<size_t> { 0, 5, 10 }));
    s->setAttributes(kA, { 0, 15 });
    EXPECT_EQ(starts(*s), std::vector<size_t> { 0 });
    s->addAttributes({ { "k", Value("d") }, { "z", Value(3) } }, { 14, 1 });
    EXPECT_EQ(starts(*s), (std::vector<size_t> { 0, 14 }));
    EXPECT_EQ(s->attributes()[1]->attributes(), (TTAttributes { { "k", Value("d") }, { "z", Value(3) } }));
    // Runs never share their dictionaries.
    auto copy = s->mutableCopy();
    copy->addAttribute("k", Value("changed"), { 0, 1 });
    EXPECT_EQ(s->attributes()[0]->attributes(), kA);

    EXPECT_THROW(s->addAttribute("k", Value(1), { 10, 6 }), platform::AssertionFailure);
    EXPECT_EQ(starts(*s), (std::vector<size_t> { 0, 14 }));
}

TEST(AttributedStringEditing, InsertReplaceAndDelete)
{
    auto s = TTMutableAttributedString::attributedString("abcdef", &kA);
    s->insertAttributedString(*TTAttributedString::attributedString("xyz", &kD), 3);
    EXPECT_EQ(s->string(), "abcxyzdef");
    EXPECT_EQ(starts(*s), (std::vector<size_t> { 0, 3, 6 }));
    EXPECT_EQ(s->attributes()[1]->attributes(), kD);
    EXPECT_EQ(s->attributes()[2]->attributes(), kA);

    // Equal dictionaries leave a single run.
    auto same = TTMutableAttributedString::attributedString("abcdef", &kA);
    same->insertAttributedString(*TTAttributedString::attributedString("xyz", &kA), 3);
    EXPECT_EQ(starts(*same), std::vector<size_t> { 0 });

    // Plain text comes in without attributes.
    auto plain = TTMutableAttributedString::attributedString("abcdef", &kA);
    plain->replaceCharactersInRange({ 1, 2 }, "XYZW");
    EXPECT_EQ(plain->string(), "aXYZWdef");
    EXPECT_EQ(starts(*plain), (std::vector<size_t> { 0, 1, 5 }));
    EXPECT_TRUE(plain->attributes()[1]->attributes().empty());

    s->deleteCharactersInRange({ 2, 5 });
    EXPECT_EQ(s->string(), "abef");
    EXPECT_EQ(starts(*s), std::vector<size_t> { 0 });

    s->appendAttributedString(*TTAttributedString::attributedString("!", &kD));
    EXPECT_EQ(starts(*s), (std::vector<size_t> { 0, 4 }));

    // Deleting everything leaves no runs; enumerating calls no block.
    s->deleteCharactersInRange({ 0, s->length() });
    EXPECT_EQ(s->length(), 0u);
    EXPECT_TRUE(s->attributes().empty());
    int calls = 0;
    s->enumerateAttributesInRange({ 0, 0 }, 0, [&](const TTAttributes&, TTRange, bool&) { ++calls; });
    EXPECT_EQ(calls, 0);
    s->appendAttributedString(*TTAttributedString::attributedString("new", &kD));
    EXPECT_EQ(starts(*s), std::vector<size_t> { 0 });

    auto other = TTMutableAttributedString::attributedString("12345", &kA);
    other->setAttributedString(*TTAttributedString::attributedString("zz", &kD));
    EXPECT_TRUE(other->isEqualToAttributedString(*TTAttributedString::attributedString("zz", &kD)));
}

TEST(AttributedStringEditing, NoZeroLengthRunsAreLeftBehind)
{
    // Replacing with an empty string is a deletion: no zero-length run comes in.
    auto s = TTMutableAttributedString::attributedString("abcdef", &kA);
    s->addAttribute("k", Value("d"), { 2, 2 });
    s->replaceCharactersInRange({ 2, 2 }, *TTAttributedString::attributedString("", &kD));
    EXPECT_EQ(s->string(), "abef");
    EXPECT_EQ(starts(*s), std::vector<size_t> { 0 });
    s->replaceCharactersInRange({ 1, 0 }, "");
    EXPECT_EQ(starts(*s), std::vector<size_t> { 0 });

    // Appending at the end splits no run at the string's end.
    auto t = TTMutableAttributedString::attributedString("abc", &kA);
    t->appendAttributedString(*TTAttributedString::attributedString("de", &kD));
    EXPECT_EQ(starts(*t), (std::vector<size_t> { 0, 3 }));
    t->addAttribute("x", Value(1), { 5, 0 });
    EXPECT_EQ(starts(*t), (std::vector<size_t> { 0, 3 }));

    // The one run of a new empty string does not linger after text arrives.
    auto e = TTMutableAttributedString::attributedString("", &kA);
    e->appendAttributedString(*TTAttributedString::attributedString("xy", &kD));
    EXPECT_EQ(starts(*e), std::vector<size_t> { 0 });
    EXPECT_EQ(e->attributes()[0]->attributes(), kD);

    // Every run covers at least one character after a mix of edits.
    auto m = TTMutableAttributedString::attributedString("0123456789", &kA);
    m->addAttribute("k", Value("d"), { 3, 4 });
    m->replaceCharactersInRange({ 3, 4 }, *TTAttributedString::attributedString("", &kD));
    m->insertAttributedString(*TTAttributedString::attributedString("", &kD), 0);
    m->appendAttributedString(*TTAttributedString::attributedString("", &kD));
    for (size_t r = 0; r < m->attributes().size(); ++r) {
        size_t end = r + 1 < m->attributes().size() ? m->attributes()[r + 1]->index() : m->length();
        EXPECT_LT(m->attributes()[r]->index(), end) << r;
    }
}

TEST(AttributedStringEnumeration, ReportsRunPartsInsideTheRange)
{
    auto s = TTMutableAttributedString::attributedString("0123456789", &kA);
    s->setAttributes(kD, { 5, 5 });
    std::vector<std::pair<TTRange, TTAttributes>> seen;
    auto collect = [&](const TTAttributes& a, TTRange r, bool&) { seen.emplace_back(r, a); };
    s->enumerateAttributesInRange({ 3, 4 }, 0, collect);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, (TTRange { 3, 2 }));
    EXPECT_EQ(seen[0].second, kA);
    EXPECT_EQ(seen[1].first, (TTRange { 5, 2 }));
    EXPECT_EQ(seen[1].second, kD);

    seen.clear();
    s->enumerateAttributesInRange({ 3, 4 }, TTAttributedStringEnumerationReverse, collect);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, (TTRange { 5, 2 }));
    EXPECT_EQ(seen[1].first, (TTRange { 3, 2 }));

    // An empty range reports the run before it, empty, at the location.
    seen.clear();
    s->enumerateAttributesInRange({ 5, 0 }, 0, collect);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, (TTRange { 5, 0 }));
    EXPECT_EQ(seen[0].second, kA);

    // Stopping ends the walk.
    int calls = 0;
    s->enumerateAttributesInRange({ 0, 0 }, 0, [&](const TTAttributes&, TTRange, bool& stop) { ++calls; stop = true; });
    EXPECT_EQ(calls, 1);
}

TEST(AttributedStringEnumeration, OneAttributeMergesEqualNeighbours)
{
    auto s = TTMutableAttributedString::attributedString("aaabbbccc");
    s->addAttribute("k", Value("a"), { 0, 6 });
    s->addAttribute("other", Value(1), { 3, 3 }); // splits the a's into two runs
    s->addAttribute("k", Value("b"), { 6, 3 });
    ASSERT_EQ(starts(*s), (std::vector<size_t> { 0, 3, 6 }));
    std::vector<std::pair<std::string, TTRange>> seen;
    s->enumerateAttribute("k", { 0, 0 }, 0, [&](const TTAttributeValue& v, TTRange r, bool&) {
        seen.emplace_back(describeAttributeValue(v), r);
    });
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], (std::pair<std::string, TTRange> { "a", { 0, 6 } }));
    EXPECT_EQ(seen[1], (std::pair<std::string, TTRange> { "b", { 6, 3 } }));

    seen.clear();
    s->enumerateAttribute("k", { 0, 0 }, 0, [&](const TTAttributeValue& v, TTRange r, bool& stop) {
        seen.emplace_back(describeAttributeValue(v), r);
        stop = true;
    });
    EXPECT_EQ(seen.size(), 1u);

    seen.clear();
    s->enumerateAttribute("k", { 0, 0 }, TTAttributedStringEnumerationLongestEffectiveRangeNotRequired,
                          [&](const TTAttributeValue& v, TTRange r, bool&) { seen.emplace_back(describeAttributeValue(v), r); });
    EXPECT_EQ(seen.size(), 3u);
}

TEST(AttributedStringEnumeration, BlockThatEditsTheStringSeesShiftedRanges)
{
    auto s = TTMutableAttributedString::attributedString("0123456789", &kA);
    s->setAttributes(kD, { 5, 5 });
    std::vector<TTRange> seen;
    s->enumerateAttributesInRange({ 0, 0 }, 0, [&](const TTAttributes&, TTRange r, bool&) {
        seen.push_back(r);
        if (seen.size() == 1)
            s->insertAttributedString(*TTAttributedString::attributedString("++", &kA), 0);
    });
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], (TTRange { 7, 5 }));
}

TEST(AttributedStringObject, CopiesSubstringsEqualityAndDescription)
{
    auto immutable = TTAttributedString::attributedString("abc", &kA);
    EXPECT_EQ(immutable->copy().get(), immutable.get());
    auto mutableString = immutable->mutableCopy();
    auto frozen = mutableString->copy();
    EXPECT_NE(frozen.get(), mutableString.get());
    EXPECT_EQ(frozen->className(), "TTAttributedString");
    EXPECT_TRUE(frozen->isEqualToAttributedString(*mutableString));
    EXPECT_THROW((void)TTAttributedString::attributedString(static_cast<const TTAttributedString*>(nullptr)),
                 platform::AssertionFailure);

    auto s = TTMutableAttributedString::attributedString("0123456789", &kA);
    s->setAttributes(kD, { 5, 5 });
    auto sub = s->attributedSubstringFromRange({ 3, 4 });
    EXPECT_EQ(sub->string(), "3456");
    EXPECT_EQ(starts(*sub), (std::vector<size_t> { 0, 2 }));
    EXPECT_EQ(rangeOfRaise([&] { s->attributedSubstringFromRange({ 8, 3 }); }),
              "NSRangeException: range was outisde of the attributed string");

    auto five = TTAttributedString::attributedString("hello", &kA);
    EXPECT_EQ(five->description(), "{k: a} \"hello\"");
    EXPECT_EQ(s->description(), "{k: a} \"01234\" {k: d} \"56789\"");
    EXPECT_NE(s->attributes()[0]->description().find("index=0 attributes={k=a}>"), std::string::npos);

    // Characters, not bytes: a two-byte character is one index.
    auto utf = TTMutableAttributedString::attributedString("h\xC3\xA9llo");
    EXPECT_EQ(utf->length(), 5u);
    utf->addAttribute("k", Color::rgb(1, 0, 0), { 1, 1 });
    EXPECT_EQ(starts(*utf), (std::vector<size_t> { 0, 1, 2 }));
}

// Random edits checked against a per-character model: every character keeps
// the attributes the model gives it, runs stay ordered from 0, each covers at
// least one character, and no two neighbours are equal.
TEST(AttributedStringEditing, RandomEditsMatchAPerCharacterModel)
{
    std::mt19937 rng(1234);
    auto pick = [&](size_t n) { return n ? static_cast<size_t>(rng() % (n + 1)) : 0; };
    const std::vector<TTAttributes> dicts { {}, kA, kD, { { "k", Value("a") }, { "z", Value(1) } } };
    for (int round = 0; round < 40; ++round) {
        auto s = TTMutableAttributedString::attributedString("abcdefghij", &dicts[1]);
        std::u32string text = U"abcdefghij";
        std::vector<TTAttributes> model(text.size(), dicts[1]);
        for (int step = 0; step < 60; ++step) {
            size_t loc = pick(text.size());
            size_t len = pick(text.size() - loc);
            const TTAttributes& d = dicts[rng() % dicts.size()];
            switch (rng() % 5) {
            case 0:
                s->setAttributes(d, { loc, len });
                std::fill(model.begin() + loc, model.begin() + loc + len, d);
                break;
            case 1:
                s->addAttribute("k", Value("d"), { loc, len });
                for (size_t i = loc; i < loc + len; ++i)
                    model[i].set("k", Value("d"));
                break;
            case 2:
                s->removeAttribute("k", { loc, len });
                for (size_t i = loc; i < loc + len; ++i)
                    model[i].remove("k");
                break;
            case 3:
                s->deleteCharactersInRange({ loc, len });
                text.erase(loc, len);
                model.erase(model.begin() + loc, model.begin() + loc + len);
                break;
            default: {
                std::string insert(rng() % 4, 'x');
                s->replaceCharactersInRange({ loc, len }, *TTAttributedString::attributedString(insert, &d));
                text.replace(loc, len, std::u32string(insert.begin(), insert.end()));
                model.erase(model.begin() + loc, model.begin() + loc + len);
                model.insert(model.begin() + loc, insert.size(), d);
                break;
            }
            }
            ASSERT_EQ(s->characters(), text);
            const auto& runs = s->attributes();
            if (!text.empty()) {
                ASSERT_FALSE(runs.empty());
                ASSERT_EQ(runs[0]->index(), 0u);
            }
            for (size_t r = 0; r < runs.size(); ++r) {
                size_t end = r + 1 < runs.size() ? runs[r + 1]->index() : text.size();
                ASSERT_LT(runs[r]->index(), end) << "empty run, round " << round << " step " << step;
                if (r > 0) {
                    ASSERT_FALSE(runs[r]->attributes() == runs[r - 1]->attributes()) << "unmerged runs, step " << step;
                }
            }
            for (size_t i = 0; i < text.size(); ++i)
                ASSERT_EQ(s->attributesAtIndex(i, nullptr), model[i]) << "character " << i << ", step " << step;
        }
    }
}

TEST(AttributedStringCoding, RunsAndStringsRoundTripThroughAPropertyListFile)
{
    auto s = TTMutableAttributedString::attributedString("héllo world", &kA);
    s->addAttribute(TTForegroundColorAttributeName, Color::rgb(1, 0.25f, 0, 0.5f), { 2, 3 });
    s->addAttribute("size", Value(17.5), { 6, 5 });
    s->addAttribute("grey", Color::white(0.5f), { 8, 1 });

    Value coded = s->encodeWithCoder();
    EXPECT_EQ(coded["buffer"], Value("héllo world"));
    ASSERT_TRUE(coded["attributes"].isArray());
    EXPECT_EQ(coded["attributes"][1]["index"], Value(2));
    EXPECT_EQ(coded["attributes"][1]["attributes"]["k"], Value("a"));

    std::string xml = *platform::writePropertyList(coded);
    std::optional<Value> read = platform::readPropertyList(xml.data(), xml.size());
    ASSERT_TRUE(read);
    auto back = TTAttributedString::attributedStringWithCoder(*read);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->className(), "TTAttributedString");
    EXPECT_TRUE(back->isEqualToAttributedString(*s));
    const auto* colour = back->attribute(TTForegroundColorAttributeName, 3, nullptr);
    ASSERT_TRUE(colour);
    EXPECT_EQ(std::get<Color>(*colour), Color::rgb(1, 0.25f, 0, 0.5f));

    // Decoded as a mutable string, it can be edited without touching the archive.
    auto editable = TTMutableAttributedString::attributedStringWithCoder(*read);
    ASSERT_TRUE(editable);
    editable->deleteCharactersInRange({ 0, 6 });
    EXPECT_EQ(editable->string(), "world");
    EXPECT_TRUE(TTAttributedString::attributedStringWithCoder(*read)->isEqualToAttributedString(*s));

    auto run = TTAttributeRun::attributeRunWithCoder(coded["attributes"][2]);
    ASSERT_TRUE(run);
    EXPECT_TRUE(run->isEqual(*s->attributes()[2]));

    // An empty string keeps its one run.
    auto empty = TTAttributedString::attributedStringWithCoder(TTAttributedString::attributedString()->encodeWithCoder());
    ASSERT_TRUE(empty);
    EXPECT_EQ(starts(*empty), std::vector<size_t> { 0 });
}

TEST(AttributedStringCoding, MalformedArchivesGiveNoString)
{
    auto coded = [](Value buffer, std::vector<Value> runs) {
        return Value(platform::ValueDictionary { { "buffer", std::move(buffer) },
                                                 { "attributes", platform::ValueArray(std::move(runs)) } });
    };
    auto runAt = [](Value index) {
        return Value(platform::ValueDictionary { { "index", std::move(index) }, { "attributes", platform::ValueDictionary {} } });
    };
    const std::vector<std::pair<const char*, Value>> bad {
        { "not a dictionary", Value("text") },
        { "no buffer", Value(platform::ValueDictionary { { "attributes", platform::ValueArray {} } }) },
        { "runs not an array", Value(platform::ValueDictionary { { "buffer", "ab" }, { "attributes", "x" } }) },
        { "text without runs", coded("ab", {}) },
        { "first run not at 0", coded("ab", { runAt(1) }) },
        { "runs out of order", coded("abc", { runAt(0), runAt(2), runAt(1) }) },
        { "two runs at one index", coded("abc", { runAt(0), runAt(0) }) },
        { "run past the text", coded("abc", { runAt(0), runAt(3) }) },
        { "negative index", coded("abc", { runAt(-1) }) },
        { "index not a number", coded("abc", { runAt("0") }) },
        { "run without attributes", coded("abc", { Value(platform::ValueDictionary { { "index", 0 } }) }) },
    };
    for (const auto& [what, archive] : bad) {
        EXPECT_FALSE(TTAttributedString::attributedStringWithCoder(archive)) << what;
        EXPECT_FALSE(TTMutableAttributedString::attributedStringWithCoder(archive)) << what;
    }
    EXPECT_FALSE(TTAttributeRun::attributeRunWithCoder(Value(3)));
}
