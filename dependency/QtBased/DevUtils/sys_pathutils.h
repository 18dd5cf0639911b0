#pragma once

#include <QString>

// The user's standard folders.
enum SystemPathEnumType {
    SYSPATH_APP_DATA = 0,
    SYSPATH_USER_HOME = 1,
    SYSPATH_USER_DOCUMENTS = 2,
    SYSPATH_USER_MUSIC = 3,
    SYSPATH_USER_PICTURES = 4,
    SYSPATH_USER_MOVIES = 5,
    SYSPATH_APP_HOME = 6,
};

enum SysPathsWinRegistry {
    SYSPATH_WINREG_COMMON_FILES = 0,
};

// The per-application data folder depends on the organisation and
// application names, so those are set before the first call. Calls come from
// the GUI thread only: every answer passes through one shared string.
class CSysPathsEnumerater
{
public:
    // Any type outside 0..6 gives the empty string.
    static QString EnumSystemPath(SystemPathEnumType type);
    static QString GetAppHomePath();
    static QString GetAppDataPath();
    static QString GetUserHomePath();
    // The platform's folder when it exists, else home + "/Documents" and so on
    // (not tested, not created).
    static QString GetUserDocPath();
    static QString GetUserMusicPath();
    static QString GetUserPicPath();
    static QString GetUserVideoPath();
    static QString GetSysUserPath(SystemPathEnumType type);
    // There is no registry here: always empty.
    static QString EnumWinRegistryPath(SysPathsWinRegistry type);

private:
    static QString m_sResultStr;
};
