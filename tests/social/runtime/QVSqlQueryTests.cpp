// The SQL wrapper on a real SQLite file: named binding, exact column names,
// honest failure results and repeated reset/destroy.
#include "social/runtime/QVSqlQuery.h"
#include "support/TestSupport.h"

#include "platform/foundation/Log.h"

#include <cstring>
#include <sqlite3.h>

using namespace quorvel;

namespace {

class SqlQueryTest : public testing::Test {
protected:
    void SetUp() override
    {
        db = QVSqlOpenDatabase(dir.file("quorvel_offline"));
        ASSERT_NE(db, nullptr);
        QVSqlQuery create(db, "CREATE TABLE scores (user_id TEXT, score INTEGER, ratio REAL, ok INTEGER, blob BLOB, "
                              "\"scoreX\" INTEGER)");
        ASSERT_EQ(create.execute(), QVSqlQuery::kDone);
    }
    void TearDown() override { sqlite3_close(db); }

    testing_support::TempDir dir;
    sqlite3* db { nullptr };
    platform::LogCapture log;
};

TEST_F(SqlQueryTest, BindsByNameAndReadsByExactColumnName)
{
    QVSqlQuery insert(db, "INSERT INTO scores VALUES (:user_id, :score, 0.5, 1, :blob, 7)");
    EXPECT_TRUE(insert.bind("user_id", "ann"));
    EXPECT_TRUE(insert.bind("score", "9000000000"));
    const char bytes[] = { 1, 0, 2 };
    EXPECT_TRUE(insert.bindBlob("blob", bytes, 3));
    EXPECT_FALSE(insert.bind("missing", "x"));
    EXPECT_EQ(insert.execute(), QVSqlQuery::kDone);
    // The statement reset itself and keeps its bindings: it runs again.
    EXPECT_TRUE(insert.bind("user_id", std::optional<std::string>()));
    EXPECT_EQ(insert.execute(), QVSqlQuery::kDone);

    QVSqlQuery select(db, "SELECT * FROM scores ORDER BY user_id DESC");
    ASSERT_TRUE(select.step());
    EXPECT_FALSE(select.hasReachedEnd());
    EXPECT_STREQ(select.getText("user_id"), "ann");
    EXPECT_EQ(select.getInt64("score"), 9000000000LL);
    EXPECT_EQ(select.getDouble("ratio"), 0.5);
    EXPECT_TRUE(select.getBool("ok"));
    EXPECT_EQ(select.getInt("scoreX"), 7);
    EXPECT_EQ(select.getInt("scorex"), 0); // names match exactly
    EXPECT_EQ(select.getText("no_such_column"), nullptr);
    auto blob = select.getBlob("blob");
    ASSERT_EQ(blob.length, 3);
    EXPECT_EQ(std::memcmp(blob.bytes, bytes, 3), 0);

    ASSERT_TRUE(select.step());
    EXPECT_EQ(select.getText("user_id"), nullptr); // NULL
    EXPECT_FALSE(select.step());
    EXPECT_EQ(select.lastStepResult(), QVSqlQuery::kDone);
    EXPECT_TRUE(select.hasReachedEnd());
    EXPECT_EQ(select.getText("user_id"), nullptr); // no current row
}

TEST_F(SqlQueryTest, FailedPrepareAndMissingDatabaseReportErrorsNotDone)
{
    QVSqlQuery bad(db, "SELEKT nonsense");
    EXPECT_FALSE(bad.isPrepared());
    EXPECT_EQ(bad.execute(), SQLITE_ERROR);
    EXPECT_FALSE(bad.step());
    EXPECT_NE(bad.lastStepResult(), QVSqlQuery::kDone);
    EXPECT_TRUE(bad.hasReachedEnd());
    EXPECT_FALSE(bad.errorMessage().empty());
    EXPECT_TRUE(log.contains("cannot prepare"));

    QVSqlQuery closed(nullptr, "SELECT 1");
    EXPECT_EQ(closed.execute(), SQLITE_MISUSE);

    QVSqlQuery later; // a static statement, given its SQL later
    EXPECT_EQ(later.execute(), SQLITE_MISUSE);
    later.reset(db, "SELECT count(*) AS n FROM scores");
    ASSERT_TRUE(later.step());
    EXPECT_EQ(later.getInt("n"), 0);
}

TEST_F(SqlQueryTest, StepErrorsAreReported)
{
    QVSqlQuery unique(db, "CREATE UNIQUE INDEX one_user ON scores(user_id)");
    ASSERT_EQ(unique.execute(), QVSqlQuery::kDone);
    QVSqlQuery insert(db, "INSERT INTO scores (user_id) VALUES (:u)");
    insert.bind("u", "ann");
    EXPECT_EQ(insert.execute(), QVSqlQuery::kDone);
    EXPECT_EQ(insert.execute(), SQLITE_CONSTRAINT);
    insert.bind("u", "bo");
    EXPECT_EQ(insert.execute(), QVSqlQuery::kDone);
}

TEST_F(SqlQueryTest, SurvivesResetAndDestroyTwice)
{
    QVSqlQuery q(db, "SELECT 1 AS one UNION ALL SELECT 2");
    ASSERT_TRUE(q.step());
    q.resetQuery();
    q.resetQuery();
    EXPECT_TRUE(q.hasReachedEnd());
    ASSERT_TRUE(q.step());
    EXPECT_EQ(q.getInt("one"), 1);
    q.destroyQuery();
    q.destroyQuery();
    q.resetQuery();
    EXPECT_FALSE(q.step());
    EXPECT_EQ(q.lastStepResult(), SQLITE_MISUSE);
    q.reset(db, "SELECT 3 AS three");
    ASSERT_TRUE(q.step());
    EXPECT_EQ(q.getInt("three"), 3);
}

TEST(SqlOpenTest, FailedOpenAnswersNullWithTheReason)
{
    std::string error;
    EXPECT_EQ(QVSqlOpenDatabase("/nonexistent-folder/for/sure/db", &error), nullptr);
    EXPECT_FALSE(error.empty());
}

} // namespace
