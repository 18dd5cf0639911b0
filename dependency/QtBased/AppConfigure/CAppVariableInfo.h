#pragma once

#include <QMap>
#include <QByteArray>
#include <QString>
#include <QVariant>

class QXmlStreamReader;

// The user settings: current values loaded from "appsettings.plist" in the
// application home folder, and the shipped defaults of "DefaultInfo.xml"
// beside the program. GUI thread only. Nothing is written while the program
// runs; the values are saved at exit when the shipped "Exit_Bool_Sync" is true.
class CAppVariableInfo
{
public:
    static CAppVariableInfo* GetInstance();

    // The settings file is an XML property list (CPlistSettingsFormat). One
    // that an earlier build wrote as INI text is read once, typed by its keys,
    // and rewritten in place; one that is neither is set aside under ".bad",
    // so that the next save starts a good file. Nothing of the user's is deleted.
    // The file's format is told by reading it whole: a property list that does
    // not read (a damaged one, a FIFO or a device in its place) is set aside and
    // the defaults are used; it is never taken for INI text.
    static void ConvertOlderSettingsFile(const QString& path);
    // Whether the text is INI text as earlier builds wrote it: every line a
    // group, a key with its value, a comment or blank.
    static bool IsOlderIniText(const QByteArray& text);

    // Loads the shipped defaults; false when the file cannot be opened.
    bool ReadInfos();
    // Applies the settings file over the held values (again, when called again).
    void InitInfos();

    // A key read for the first time is filled with the caller's fallback, or
    // with the key's default when the fallback is null and the default valid,
    // and keeps that value. "CurSkinPath" is computed on every read.
    QVariant GetInfoValue(QString sKey, QVariant fallback);
    // False, nothing stored, for a decoder or encoder this machine cannot use.
    bool SetInfoValue(QString sKey, QVariant value);
    // Computing some defaults stores further values or creates their folder.
    QVariant GetInfoDefaultValue(QString sKey);
    bool Reset(const QString& sKey);
    void ResetAll();

    // Writes every held value. False, after logging it and recording it in the
    // calling thread's last-error record, when the file could not be written.
    bool Sync();
    // The save at exit, for the program to call once its event loop has
    // ended: runs Sync when the shipped defaults ask for saving, and true when
    // they do not. The destructor saves again only what changed since.
    bool SyncOnExit();

    QString GetAppHomePath();
    // Home + "/Log/" + application name + ".log"; the Log folder is created.
    QString GetAppLogPath();
    // These create their folder when it is missing. A folder that cannot be
    // created is recorded in the calling thread's last-error record and its
    // path returned all the same.
    QString GetDefaultOutputPath();
    QString GetSnapShotDefaultSavePath();
    QString GetDefaultVideoLibPath();
    void ResetVideoLibPaths(bool bClear);

private:
    CAppVariableInfo();
    ~CAppVariableInfo();
    CAppVariableInfo(const CAppVariableInfo&) = delete;
    CAppVariableInfo& operator=(const CAppVariableInfo&) = delete;

    QString SettingsFilePath();
    bool ExitSyncRequested() const;
    void StoreValue(const QString& sKey, const QVariant& value);
    QString ShippedText(const QString& sKey) const;

    QXmlStreamReader* m_pReader;
    QMap<QString, QVariant> m_defaults;
    QMap<QString, QVariant> m_values;
    // Changes of the current values, and how many of them the file holds.
    qint64 m_nChanges = 0;
    qint64 m_nSyncedChanges = -1;
};
