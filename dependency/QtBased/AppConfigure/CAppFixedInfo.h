#pragma once

#include <QMap>
#include <QString>
#include <QVariant>

class QXmlStreamReader;

// The product information, read once at start-up from "AppConfig.en_US.xml"
// beside the program. Reading it also sets the Qt organisation and
// application names, which place the per-user data folder, so the settings
// store must not be used before ReadInfos.
class CAppFixedInfo
{
public:
    static CAppFixedInfo* GetInstance();

    // False after recording the failure in the calling thread's last-error
    // record; a missing file records 10021013 "Open appconfig.xml file Error!".
    bool ReadInfos();
    // Re-reads the web-address keys from the file of another interface
    // language ("" means en_US). False, and nothing changed, without a file.
    bool ReadURLInfos(QString sLanguage);
    // An invalid value for a key that is not held.
    QVariant GetInfoValue(const QString& sKey);
    // "LastUseLanguage" straight from the settings file; stores "en_US" there
    // when none is set.
    void GetLastUsedLanguage(QString& sLanguage);
    bool AfterReadKeyInfos();

private:
    CAppFixedInfo();
    ~CAppFixedInfo();
    CAppFixedInfo(const CAppFixedInfo&) = delete;
    CAppFixedInfo& operator=(const CAppFixedInfo&) = delete;

    QString ConfigFilePath(const QString& sLanguage) const;

    QMap<QString, QVariant> m_infos;
    QXmlStreamReader* m_pReader;
};
