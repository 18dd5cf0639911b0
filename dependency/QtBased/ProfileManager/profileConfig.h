#pragma once

#include "DevUtils/CXMLDocument.h"
#include "profile_data.h"

#include <QIcon>
#include <QMap>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QVariant>

class IProfile;
class ProfileNodeManager;

// A library document: "all_profile.xml" (the application's) or "custom.xml"
// (the user's), root "ProfileLib".
class ProfileLib : public CXMLDocument
{
public:
    ProfileLib();
    // Raises 11006101 "LoadFile the root xml match falsed." for another root.
    void LoadFile(QString const& path) override;
};

// The hide/show document "profile_config.xml", root "ProfileConfig": the
// user's hidden and shown choices by ID.
class ProfileSerial : public CXMLDocument
{
public:
    ProfileSerial();
    ~ProfileSerial() override;

    void LoadFile(QString const& path) override;
    bool canSerial() const { return m_pLinks && m_pCategories; }
    void newDocument();
    // Appends the record's choice (its hidden bit) by ID.
    void Write(CatData& cat);
    void Write(LnkData& lnk);
    // Applies the document's choice for the record's ID to its hidden bit.
    void filterRead(CatData& cat);
    void filterRead(LnkData& lnk);
    int level() const { return m_level; }

private:
    int m_level = 0;
    QMap<int, TiXmlElement*> m_linkById;
    QMap<int, TiXmlElement*> m_categoryById;
    TiXmlElement* m_pLinks = nullptr;
    TiXmlElement* m_pCategories = nullptr;
};

// The user library's two categories, "Custom" (10000) and "Recent" (20000).
void MakeCustomLib(ProfileLib& lib);
// The first "Category" child of the root with that "ID" (missing reads 0).
TiXmlElement* FindXMLCatByID(ProfileLib& lib, int id);
// Appends one "ProfileLnk" (ID, BaseID, Name, Comment) to a category element.
void SaveLnkData(TiXmlElement& parent, LnkData& lnk);

// The file side of the profile catalogue: paths, loading and saving of the
// catalogue files, the view values of "profile.cfg", icons and the default
// profile. Made and owned by its ProfileNodeManager.
class ProfileConfig : public QObject
{
    Q_OBJECT
public:
    explicit ProfileConfig(ProfileNodeManager& manager);
    ~ProfileConfig() override;

    void setAppName(QString const& name) { m_appName = name; }
    void setAppLibFilePath(QString const& path) { m_appLibFilePath = path; }
    void setUserLibFilePath(QString const& path) { m_userLibFilePath = path; }
    void setConfigFilePath(QString const& path) { m_configFilePath = path; }
    void setProfileCfgPath(QString const& path) { m_profileCfgPath = path; }
    void setAppProfileDir(QString const& path);
    void setUserProfileDir(QString const& path);
    void setAppProfileIconDir(QString const& path);
    QString getAppName() const { return m_appName; }
    QString getUserProfileDir() const { return m_userProfileDir; }
    QString getAppProfileDir() const { return m_appProfileDir; }
    QString getAppProfileIconDir() const { return m_appProfileIconDir; }
    QString getUserLibFilePath() const { return m_userLibFilePath; }
    QString getConfigFilePath() const { return m_configFilePath; }
    void setRecentLimited(int limit) { m_recentLimited = limit; }
    int getRecentLimited() const { return m_recentLimited; }
    void setCatDataTypeSupport(bool on) { m_catDataTypeSupport = on; }
    bool getCatDataTypeSupport() const { return m_catDataTypeSupport; }
    int getDefaultID() const { return m_defaultId; }
    // Key 0 ViewMode, key 1 ShowMode.
    QMap<int, QVariant>& getValueDoor() { return m_values; }

    // Reloads the manager's lists from the user library, the application
    // library and the hide/show file. False (reason recorded) when the
    // application library is missing or is no library.
    bool execLoadData();
    // Writes "custom.xml" and "profile_config.xml"; false, reason recorded.
    bool execSaveData();
    void AddLib(ProfileLib& lib, ProfileSerial* serial, bool isAppLib);
    // Reads the two view values of "profile.cfg". A damaged file leaves the
    // defaults, is moved aside and the reason recorded (10021017), so the
    // save at the end never writes over it.
    void loadProfileCfg();
    void saveProfileCfg();
    // What the loads found damaged and kept aside since the last call, one
    // text a file, for telling the user; the list is emptied.
    QStringList takeKeptAsideNotes();
    IProfile* createDefaultProfile();

    // Cached icon lookup by name ("<ID>" or "star"): out gets the cached
    // pixmap's address as a pointer-wide unsigned integer.
    bool getIcon(QString const& folder, QString const& name, QVariant& out);
    QIcon getProfileIcon(IProfile* profile);

public slots:
    void ondataFromCatNode(QVariant& data, const QVariant& sName, CatData* pData);
    void ondataFromLnkNode(QVariant& data, const QVariant& sName, LnkData* pData);

private:
    bool IconByName(QString const& name, QVariant& out);
    // Logs a file kept aside and keeps its text for takeKeptAsideNotes().
    void TellKeptAside(const char* reason);

    QMap<QString, QPixmap> m_iconCache;
    ProfileNodeManager& m_manager;
    QString m_appName;
    QString m_appLibFilePath;
    QString m_userLibFilePath;
    QString m_configFilePath;
    QString m_appProfileDir;
    QString m_userProfileDir;
    QString m_appProfileIconDir;
    int m_defaultId = 0;
    int m_recentLimited = -1;
    QString m_profileCfgPath;
    bool m_profileCfgBlocked = false; // damaged and could not be moved aside
    QMap<int, QVariant> m_values;
    bool m_catDataTypeSupport = false;
    // A damaged user library that could not be moved aside is not written over.
    bool m_userLibBlocked = false;
    QStringList m_keptAsideNotes;
};

// The cached pixmap an icon value (getIcon, the icon slots) points at; null
// for a value that holds none.
QPixmap const* PixmapFromIconValue(QVariant const& value);
