#include "sys_pathutils.h"

#include "sysutils.h"

#include <QStandardPaths>

QString CSysPathsEnumerater::m_sResultStr;

namespace {

QString UserFolder(QStandardPaths::StandardLocation location, SystemPathEnumType fallback)
{
    const QString path = QStandardPaths::writableLocation(location);
    if (!path.isEmpty() && QuentaBased::dir_exists(path.toUtf8().constData()))
        return path;
    return CSysPathsEnumerater::GetSysUserPath(fallback);
}

} // namespace

QString CSysPathsEnumerater::EnumSystemPath(SystemPathEnumType type)
{
    switch (type) {
    case SYSPATH_APP_DATA:
    case SYSPATH_APP_HOME: m_sResultStr = GetAppDataPath(); break;
    case SYSPATH_USER_HOME: m_sResultStr = GetUserHomePath(); break;
    case SYSPATH_USER_DOCUMENTS: m_sResultStr = GetUserDocPath(); break;
    case SYSPATH_USER_MUSIC: m_sResultStr = GetUserMusicPath(); break;
    case SYSPATH_USER_PICTURES: m_sResultStr = GetUserPicPath(); break;
    case SYSPATH_USER_MOVIES: m_sResultStr = GetUserVideoPath(); break;
    default: m_sResultStr = QString(""); break;
    }
    return m_sResultStr;
}

QString CSysPathsEnumerater::GetAppHomePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString CSysPathsEnumerater::GetAppDataPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString CSysPathsEnumerater::GetUserHomePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
}

QString CSysPathsEnumerater::GetUserDocPath()
{
    return UserFolder(QStandardPaths::DocumentsLocation, SYSPATH_USER_DOCUMENTS);
}

QString CSysPathsEnumerater::GetUserMusicPath()
{
    return UserFolder(QStandardPaths::MusicLocation, SYSPATH_USER_MUSIC);
}

QString CSysPathsEnumerater::GetUserPicPath()
{
    return UserFolder(QStandardPaths::PicturesLocation, SYSPATH_USER_PICTURES);
}

QString CSysPathsEnumerater::GetUserVideoPath()
{
    return UserFolder(QStandardPaths::MoviesLocation, SYSPATH_USER_MOVIES);
}

QString CSysPathsEnumerater::GetSysUserPath(SystemPathEnumType type)
{
    std::string path = GetUserHomePath().toUtf8().constData();
    switch (type) {
    case SYSPATH_USER_DOCUMENTS: path += "/Documents"; break;
    case SYSPATH_USER_MUSIC: path += "/Music"; break;
    case SYSPATH_USER_PICTURES: path += "/Pictures"; break;
    case SYSPATH_USER_MOVIES: path += "/Videos"; break;
    default: break;
    }
    return QString::fromUtf8(path.c_str());
}

QString CSysPathsEnumerater::EnumWinRegistryPath(SysPathsWinRegistry type)
{
    return type == SYSPATH_WINREG_COMMON_FILES ? QString("") : QString();
}
