// User defaults: domains, coercing getters, the file behind them and its
// failure cases (unwritable folder, corrupt file).
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/UserDefaults.h"
#include "support/SavedBundleFolders.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace platform;
using testing_support::readFile;
using testing_support::SavedBundleFolders;
using testing_support::TempDir;

namespace {

// The main bundle's folders and the shared defaults, both given back when
// the test ends, however it ends.
struct SavedStandardDefaults {
    SavedBundleFolders folders;
    ~SavedStandardDefaults() { UserDefaults::resetStandardUserDefaults(); }
};

} // namespace

TEST(UserDefaults, PersistentValuesHideRegisteredOnes)
{
    TempDir dir;
    UserDefaults d(dir.file("prefs.plist"));
    d.registerDefaults({ { "volume", 5 }, { "name", "guest" } });
    EXPECT_EQ(d.integerForKey("volume"), 5);
    d.setInteger("volume", 7);
    EXPECT_EQ(d.integerForKey("volume"), 7);
    d.removeObjectForKey("volume");
    EXPECT_EQ(d.integerForKey("volume"), 5); // the registered value shows again
    d.setObject("name", nullptr); // nil removes
    EXPECT_EQ(d.stringForKey("name"), "guest");
    EXPECT_FALSE(d.persistentDomain().contains("volume"));
}

TEST(UserDefaults, TypedGettersCoerce)
{
    TempDir dir;
    UserDefaults d(dir.file("prefs.plist"));
    d.setObject("count", "12");
    d.setObject("flag", "YES");
    d.setObject("off", "NO");
    d.setObject("ratio", "0.5");
    d.setDouble("real", 2.75);
    d.setBool("bool", true);
    d.setObject("list", ValueArray { 1, 2 });
    d.setObject("map", ValueDictionary { { "k", 1 } });
    EXPECT_EQ(d.integerForKey("count"), 12);
    EXPECT_TRUE(d.boolForKey("flag"));
    EXPECT_FALSE(d.boolForKey("off"));
    EXPECT_FLOAT_EQ(d.floatForKey("ratio"), 0.5f);
    EXPECT_EQ(d.integerForKey("real"), 2);
    EXPECT_EQ(d.stringForKey("real"), "2.75");
    EXPECT_EQ(d.stringForKey("count"), "12");
    EXPECT_EQ(d.integerForKey("bool"), 1);
    EXPECT_EQ(d.stringForKey("list"), "");
    EXPECT_EQ(d.arrayForKey("list").size(), 2u);
    EXPECT_TRUE(d.arrayForKey("map").isNil());
    EXPECT_EQ(d.dictionaryForKey("map")["k"].asInteger(), 1);
    EXPECT_TRUE(d.dictionaryForKey("list").isNil());
    // Missing keys read as zero, false and empty.
    EXPECT_EQ(d.integerForKey("missing"), 0);
    EXPECT_FALSE(d.boolForKey("missing"));
    EXPECT_EQ(d.doubleForKey("missing"), 0.0);
    EXPECT_EQ(d.stringForKey("missing"), "");
    EXPECT_TRUE(d.objectForKey("missing").isNil());
}

TEST(UserDefaults, SynchronizeWritesThePersistentDomainOnly)
{
    TempDir dir;
    std::string path = dir.file("prefs.plist");
    {
        UserDefaults d(path);
        d.registerDefaults({ { "registered", 1 } });
        d.setObject("b", "second");
        d.setObject("a", Date { 1267679167.0 });
        EXPECT_TRUE(d.synchronize());
    }
    UserDefaults again(path);
    EXPECT_EQ(again.persistentDomain().keys(), (std::vector<std::string> { "b", "a" }));
    EXPECT_EQ(again.objectForKey("a").date().seconds, 1267679167.0);
    EXPECT_TRUE(again.objectForKey("registered").isNil());
    // A session's secret may be among them: the player's alone, also when an
    // older file was left open to others.
    EXPECT_EQ(testing_support::fileMode(path), 0600);
    ::chmod(path.c_str(), 0644);
    UserDefaults reopened(path);
    EXPECT_EQ(testing_support::fileMode(path), 0600);
}

TEST(UserDefaults, AFileWrittenUnderOneLocaleReadsWholeUnderAnother)
{
    TempDir dir;
    const std::vector<std::pair<const char*, const char*>> passes { { "C", "de_DE.UTF-8" }, { "de_DE.UTF-8", "C" } };
    for (auto [writer, reader] : passes) {
        SCOPED_TRACE(std::string(writer) + " then " + reader);
        std::string path = dir.file(std::string("written-under-") + writer + ".plist");
        LogCapture log;
        {
            testing_support::ScopedLocale scoped(writer);
            UserDefaults d(path);
            d.setDouble("expiry", 1267679167.25);
            d.setFloat("volume", 0.5f);
            d.setObject("approved", true);
            ASSERT_TRUE(d.synchronize());
        }
        testing_support::ScopedLocale scoped(reader);
        UserDefaults again(path);
        EXPECT_EQ(again.doubleForKey("expiry"), 1267679167.25);
        EXPECT_EQ(again.floatForKey("volume"), 0.5f);
        EXPECT_TRUE(again.boolForKey("approved"));
        EXPECT_EQ(log.count(LogLevel::Warning), 0u);
    }
}

TEST(UserDefaults, NothingIsWrittenUntilSomethingChanges)
{
    TempDir dir;
    std::string path = dir.file("prefs.plist");
    UserDefaults d(path);
    EXPECT_TRUE(d.synchronize());
    EXPECT_FALSE(path::fileExists(path));
    d.setInteger("n", 1);
    EXPECT_TRUE(d.synchronize());
    EXPECT_TRUE(path::fileExists(path));
}

TEST(UserDefaults, FailedWriteAnswersFalseAndKeepsTheChanges)
{
    TempDir dir;
    LogCapture log;
    UserDefaults d(dir.file("missing-folder/prefs.plist"));
    d.setObject("score", 100);
    EXPECT_FALSE(d.synchronize());
    EXPECT_EQ(d.integerForKey("score"), 100);
    EXPECT_EQ(log.count(LogLevel::Warning), 1u);
    // Once the folder exists the same changes reach the file.
    ASSERT_TRUE(path::createDirectories(dir.file("missing-folder")));
    EXPECT_TRUE(d.synchronize());
    EXPECT_EQ(readPropertyListFile(dir.file("missing-folder/prefs.plist"))->dictionary()["score"].asInteger(), 100);
}

// A value too large for the file to read back is refused: synchronize()
// answers false, says why, and changes nothing on disk (an unreadable file
// is not even moved aside), so the next start reads what was there.
TEST(UserDefaults, AValueTooLargeToReadBackIsRefusedAndTheFileKeepsWhatItHeld)
{
    TempDir dir;
    LogCapture log;
    const std::string path = dir.file("prefs.plist");
    const Value scores(ValueArray(std::vector<Value>(400000, Value(7))));
    {
        UserDefaults first(path);
        first.setObject("player", "Ann");
        ASSERT_TRUE(first.synchronize());
    }
    const std::string kept = readFile(path);
    UserDefaults d(path);
    d.setObject("scores", scores);
    EXPECT_FALSE(d.synchronize());
    EXPECT_TRUE(log.contains("cannot write " + path + ": too large to read back")) << testing::PrintToString(log.texts());
    EXPECT_TRUE(readFile(path) == kept) << "the file is as it was";
    EXPECT_EQ(UserDefaults(path).stringForKey("player"), "Ann");

    const std::string corrupt = "<plist><dict><key>a</key>";
    dir.write("prefs.plist", corrupt);
    UserDefaults unreadable(path);
    unreadable.setObject("scores", scores);
    EXPECT_FALSE(unreadable.synchronize());
    EXPECT_TRUE(readFile(path) == corrupt) << "the file is as it was";
    EXPECT_FALSE(path::fileExists(path + ".unreadable"));
    unreadable.removeObjectForKey("scores");
    unreadable.setObject("player", "Bo");
    EXPECT_TRUE(unreadable.synchronize());
    EXPECT_EQ(readFile(path + ".unreadable"), corrupt);
    EXPECT_EQ(UserDefaults(path).stringForKey("player"), "Bo");
}

TEST(UserDefaults, CorruptFileReadsEmptyAndIsKeptUntilAChangeThenMovedAside)
{
    TempDir dir;
    LogCapture log;
    std::string corrupt = "<plist><dict><key>a</key>";
    std::string path = dir.write("prefs.plist", corrupt);
    UserDefaults d(path);
    EXPECT_TRUE(d.persistentDomain().empty());
    EXPECT_TRUE(log.contains("prefs.plist"));
    EXPECT_TRUE(d.synchronize());
    EXPECT_EQ(readFile(path), corrupt);
    // The first change writes a new file; the unreadable one is kept whole beside it, and the log names it.
    d.setBool("fresh", true);
    EXPECT_TRUE(d.synchronize());
    UserDefaults again(path);
    EXPECT_TRUE(again.boolForKey("fresh"));
    EXPECT_EQ(readFile(path + ".unreadable"), corrupt);
    EXPECT_TRUE(log.contains("prefs.plist.unreadable"));
    // A second unreadable file does not take the first one's place.
    dir.write("prefs.plist", "<plist><dict><real>");
    UserDefaults third(path);
    third.setInteger("n", 1);
    EXPECT_TRUE(third.synchronize());
    EXPECT_EQ(readFile(path + ".unreadable"), corrupt);
    EXPECT_EQ(readFile(path + ".unreadable-2"), "<plist><dict><real>");

    // A readable file whose root is not a dictionary reads as empty too, and is kept the same way.
    std::string arrayPath = dir.write("array.plist", "<plist><array/></plist>");
    UserDefaults array(arrayPath);
    EXPECT_TRUE(array.persistentDomain().empty());
    array.setInteger("n", 1);
    EXPECT_TRUE(array.synchronize());
    EXPECT_EQ(readFile(arrayPath + ".unreadable"), "<plist><array/></plist>");
}

TEST(UserDefaults, ReloadDropsUnsavedChanges)
{
    TempDir dir;
    UserDefaults d(dir.file("prefs.plist"));
    d.setInteger("kept", 1);
    ASSERT_TRUE(d.synchronize());
    d.setInteger("dropped", 2);
    d.reload();
    EXPECT_EQ(d.integerForKey("kept"), 1);
    EXPECT_TRUE(d.objectForKey("dropped").isNil());
}

TEST(UserDefaults, StandardDefaultsLiveInTheBundlePreferences)
{
    TempDir dir;
    SavedStandardDefaults saved;
    Bundle& bundle = Bundle::main();
    bundle.setHomeDirectory(dir.file("home"));
    bundle.setBundleIdentifier("com.example.game");
    UserDefaults::resetStandardUserDefaults();

    UserDefaults& standard = UserDefaults::standardUserDefaults();
    EXPECT_EQ(standard.path(), dir.file("home/Library/Preferences/com.example.game.plist"));
    EXPECT_EQ(&standard, &UserDefaults::standardUserDefaults());
    standard.setObject("level", 3);
    // Forgetting the shared instance saves what it held first.
    UserDefaults::resetStandardUserDefaults();
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey("level"), 3);

}

// A game that reads its defaults before it names itself (a call before
// setBundleIdentifier) still reaches its own file once it does: the standard
// defaults follow the bundle, keep what was registered and what was changed
// but not saved, write nothing where they were first opened, and say so.
TEST(UserDefaults, StandardDefaultsFollowTheBundleIdentifier)
{
    TempDir dir;
    SavedStandardDefaults saved;
    Bundle& bundle = Bundle::main();
    bundle.setHomeDirectory(dir.file("home"));
    bundle.setBundleIdentifier("com.example.game");
    UserDefaults::resetStandardUserDefaults();
    UserDefaults::standardUserDefaults().setObject("approved", "YES");
    ASSERT_TRUE(UserDefaults::standardUserDefaults().synchronize());
    UserDefaults::resetStandardUserDefaults();

    // The next run reads before it names itself: the defaults of no game.
    LogCapture log;
    bundle.setBundleIdentifier("com.brisko.app");
    UserDefaults& early = UserDefaults::standardUserDefaults();
    early.registerDefaults({ { "volume", 5 } });
    EXPECT_TRUE(early.objectForKey("approved").isNil());
    early.setInteger("level", 3);
    EXPECT_TRUE(log.texts().empty());

    bundle.setBundleIdentifier("com.example.game");
    UserDefaults& game = UserDefaults::standardUserDefaults();
    EXPECT_EQ(&game, &early) << "a reference taken before stays the standard defaults";
    EXPECT_EQ(game.path(), dir.file("home/Library/Preferences/com.example.game.plist"));
    EXPECT_EQ(game.stringForKey("approved"), "YES");
    EXPECT_EQ(game.integerForKey("volume"), 5);
    EXPECT_EQ(game.integerForKey("level"), 3);
    ASSERT_EQ(log.texts().size(), 1u);
    EXPECT_NE(log.texts()[0].find("read from " + dir.file("home/Library/Preferences/com.brisko.app.plist")
                                  + "; they now follow it to " + game.path() + ", with the change not saved yet"),
              std::string::npos)
        << log.texts()[0];
    EXPECT_NE(log.texts()[0].find("setBundleIdentifier"), std::string::npos);
    EXPECT_EQ(&UserDefaults::standardUserDefaults(), &game);
    EXPECT_EQ(log.texts().size(), 1u) << "said once, when they move";

    ASSERT_TRUE(game.synchronize());
    EXPECT_FALSE(path::fileExists(dir.file("home/Library/Preferences/com.brisko.app.plist")));
    UserDefaults reread(game.path());
    EXPECT_EQ(reread.integerForKey("level"), 3);
    EXPECT_EQ(reread.stringForKey("approved"), "YES");

}
