// The naming rules of the output task list: unique names among the tasks,
// and the clash with files already in the output folder.

#include "OutputTask/OutputTaskNames.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <vector>

#include <gtest/gtest.h>

using namespace OutputTaskNames;

namespace {

struct UniqueCase
{
    const char* input;
    QStringList reg;
    bool rename;
    const char* expected;
};

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

} // namespace

TEST(OutputTaskNames, TaskListRuleInBothModes)
{
    const UniqueCase cases[] = {
        // add mode
        {"Clip", {}, false, "Clip"},
        {"Clip9", {}, false, "Clip9"},
        {"Clip", {"Clip"}, false, "Clip1"},
        {"Clip", {"Clip", "Clip1"}, false, "Clip2"},
        {"Clip9", {"Clip9"}, false, "Clip9_1"},
        {"Clip8", {"Clip8", "Clip9"}, false, "Clip9_1"},
        {"Clip9", {"Clip9", "Clip9_1"}, false, "Clip9_2"},
        {"Clip19", {"Clip19"}, false, "Clip19_2"},
        {"Clip99", {"Clip99"}, false, "Clip99_10"},
        {"Trip 2012", {"Trip 2012"}, false, "Trip 2012_201"},
        // only the trailing run changes: digits inside the name stay
        {"Clip10", {"Clip10", "Clip10_1"}, false, "Clip10_2"},
        {"a1b1", {"a1b1"}, false, "a1b2"},
        {"12", {"12"}, false, "13"},
        {"5", {"5"}, false, "51"},
        {"clip", {"Clip"}, false, "clip"},
        {"Clip8", {"Clip8"}, false, "Clip9"},
        // a run too large for 32 bits counts as 0: removed, 1 appended
        {"Clip99999999999", {"Clip99999999999"}, false, "Clip1"},
        // the largest run that counts: its successor is counted in 64 bits
        {"Clip2147483647", {"Clip2147483647"}, false, "Clip2147483647_214748364"},
        {"Clip2147483647", {"Clip2147483647", "Clip2147483647_214748364"}, false, "Clip2147483647_214748364_21474836"},
        // rename mode
        {"Clip", {"Clip"}, true, "Clip_1"},
        {"Clip", {"Clip", "Clip_1"}, true, "Clip_2"},
        {"Clip_1", {"Clip_1"}, true, "Clip_1_1"},
        {"Clip", {"Other"}, true, "Clip"},
        {"Clip1", {}, true, "Clip1"},
    };
    for (const UniqueCase& c : cases) {
        const QString got = MakeNameUniqueInTaskList(QString::fromUtf8(c.input), c.rename, c.reg);
        EXPECT_EQ(got.toStdString(), std::string(c.expected))
            << c.input << " rename=" << c.rename << " register=" << c.reg.join(",").toStdString();
        EXPECT_FALSE(c.reg.contains(got));
    }
}

// Adding the same name again and again: every result keeps the typed name as
// its start, and only what the rule appended changes from one add to the next.
TEST(OutputTaskNames, RepeatedAddsKeepTheTypedName)
{
    struct Case
    {
        const char* typed;
        std::vector<const char*> expected; // the names of the first adds, in order
    };
    const Case cases[] = {
        {"t20", {"t20", "t20_2", "t20_3", "t20_4"}},
        {"h60_1080p60",
         {"h60_1080p60", "h60_1080p60_6", "h60_1080p60_7", "h60_1080p60_8", "h60_1080p60_9", "h60_1080p60_9_1",
          "h60_1080p60_9_2"}},
        {"clip", {"clip", "clip1", "clip2", "clip3"}},
        {"clip9", {"clip9", "clip9_1", "clip9_2", "clip9_3"}},
        {"a2b2", {"a2b2", "a2b3", "a2b4", "a2b5"}},
    };
    for (const Case& c : cases) {
        QStringList reg;
        for (size_t i = 0; i < c.expected.size(); ++i) {
            const QString got = MakeNameUniqueInTaskList(QString::fromUtf8(c.typed), false, reg);
            EXPECT_EQ(got.toStdString(), std::string(c.expected[i])) << c.typed << " add " << i + 1;
            EXPECT_FALSE(reg.contains(got)) << c.typed;
            reg.append(got);
        }
        // No add changes what stands before the typed name's trailing number.
        const QString kept = QString::fromUtf8(c.typed).remove(QRegularExpression("(?<=.)\\d+$"));
        for (const QString& name : reg)
            EXPECT_TRUE(name.startsWith(kept)) << name.toStdString();
    }
}

TEST(OutputTaskNames, SlashAndNulBecomeUnderscore)
{
    EXPECT_EQ(SanitizeTaskName("AC/DC live").toStdString(), "AC_DC live");
    EXPECT_EQ(SanitizeTaskName(QString("a") + QChar(0) + "b").toStdString(), "a_b");
    EXPECT_EQ(SanitizeTaskName("../x").toStdString(), ".._x");
    EXPECT_EQ(SanitizeTaskName("Straße 中文").toStdString(), "Straße 中文");
}

TEST(OutputTaskNames, DestinationFolderCheck)
{
    struct Case
    {
        QStringList files; // entries in the output folder
        QVariant policy;
        QStringList others; // names of other tasks in the register
        QString expected;   // null for a refusal
        QStringList regAfter;
    };
    const QString null;
    const Case cases[] = {
        {{"Clip.mp4"}, 0, {}, "Clip_1", {"Clip_1"}},
        {{"Clip.mp4", "Clip_1.mp4"}, 0, {}, "Clip_2", {"Clip_2"}},
        {{"Clip.mp4"}, 0, {"Clip_1"}, "Clip_1_1", {"Clip_1", "Clip_1_1"}},
        {{"Clip.mp4"}, 1, {}, "Clip", {"Clip"}},
        {{"Clip.mp4"}, 2, {}, null, {"Clip"}},
        {{"Clip.mp4"}, 2, {"Other"}, null, {"Other", "Clip"}},
        {{"Clip.mp4"}, 3, {}, "Clip", {"Clip"}},
        {{"Clip.mp4"}, QVariant("rename please"), {}, "Clip_1", {"Clip_1"}},
        {{"Clip.mp4"}, QVariant(), {}, "Clip_1", {"Clip_1"}},
        {{}, 0, {}, "Clip", {"Clip"}},
        {{}, 2, {}, "Clip", {"Clip"}},
        {{"Clip.mkv"}, 2, {}, "Clip", {"Clip"}},
        // names on Linux are case-sensitive: clip.mp4 is another file
        {{"clip.mp4"}, 2, {}, "Clip", {"Clip"}},
        // a folder of that name counts as well
        {{"Clip.mp4/"}, 0, {}, "Clip_1", {"Clip_1"}},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        for (const QString& f : c.files) {
            if (f.endsWith('/'))
                ASSERT_TRUE(QDir(dir.path()).mkdir(f.chopped(1)));
            else
                touch(QDir(dir.path()).filePath(f));
        }
        QStringList reg = c.others;
        reg.append("Clip");
        const QString got = CheckNameInOutputDir("Clip", ".mp4", reg, dir.path(), c.policy);
        const std::string label = c.files.join(",").toStdString() + " policy=" + c.policy.toString().toStdString();
        EXPECT_EQ(got.isNull(), c.expected.isNull()) << label;
        EXPECT_EQ(got.toStdString(), c.expected.toStdString()) << label;
        QStringList after = reg, want = c.regAfter;
        after.sort();
        want.sort();
        EXPECT_EQ(after, want) << label << " got register " << reg.join(",").toStdString();
    }
}

TEST(OutputTaskNames, MissingFolderHasNoEntries)
{
    QStringList reg{"Clip"};
    EXPECT_EQ(CheckNameInOutputDir("Clip", ".mp4", reg, "/nonexistent/fablecut-out", 2).toStdString(), "Clip");
    EXPECT_EQ(reg, QStringList{"Clip"});
}
