#include "DevUtils/sys_pathutils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

// Points the home, data and config folders into a fresh sandbox.
class StandardFolders : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_home = m_root.filePath("home");
        QDir().mkpath(m_home);
        setenv("HOME", m_home.toLocal8Bit().constData(), 1);
        setenv("XDG_DATA_HOME", m_root.filePath("data").toLocal8Bit().constData(), 1);
        setenv("XDG_CONFIG_HOME", m_root.filePath("config").toLocal8Bit().constData(), 1);
        QCoreApplication::setOrganizationName("fablecut-org");
        QCoreApplication::setApplicationName("fablecut");
    }

    QTemporaryDir m_root;
    QString m_home;
};

} // namespace

TEST_F(StandardFolders, TypesAndFallbacks)
{
    const QString appData = m_root.filePath("data") + "/fablecut-org/fablecut";
    const struct
    {
        int type;
        QString path;
    } cases[] = {
        {0, appData},
        {6, appData},
        {1, m_home},
        {2, m_home + "/Documents"},
        {3, m_home + "/Music"},
        {4, m_home + "/Pictures"},
        {5, m_home + "/Videos"},
        {7, ""},
        {-1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CSysPathsEnumerater::EnumSystemPath(static_cast<SystemPathEnumType>(c.type)), c.path) << c.type;
    // Nothing is created along the way.
    EXPECT_FALSE(QFile::exists(m_home + "/Videos"));
    EXPECT_FALSE(QFile::exists(appData));
    EXPECT_TRUE(CSysPathsEnumerater::EnumWinRegistryPath(SYSPATH_WINREG_COMMON_FILES).isEmpty());
}

TEST_F(StandardFolders, DesktopMoviesFolderIsUsedOnlyWhenItExists)
{
    QDir().mkpath(m_root.filePath("config"));
    QFile dirs(m_root.filePath("config") + "/user-dirs.dirs");
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_VIDEOS_DIR=\"$HOME/Films\"\nXDG_MUSIC_DIR=\"$HOME/Klang\"\n");
    dirs.close();

    EXPECT_EQ(CSysPathsEnumerater::EnumSystemPath(SYSPATH_USER_MOVIES), m_home + "/Videos");
    QDir().mkpath(m_home + "/Films");
    QDir().mkpath(m_home + "/Klang");
    EXPECT_EQ(CSysPathsEnumerater::EnumSystemPath(SYSPATH_USER_MOVIES), m_home + "/Films");
    EXPECT_EQ(CSysPathsEnumerater::EnumSystemPath(SYSPATH_USER_MUSIC), m_home + "/Klang");
}
