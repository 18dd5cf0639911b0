#include "profileConfig.h"

#include "Basilvo/Basilvo.h"
#include "Basilvo/QuentaLogger.h"
#include "CBaseException.h"
#include "IProfile.h"
#include "ProfileNodeManager.h"
#include "utility/fileutils.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <memory>
#include <string>

namespace {

const char* const kSource = "../../../dependency/QtBased/ProfileManager/profileConfig";

enum {
    ERR_ROOT_MISMATCH = 11006101,
    ERR_NO_APP_LIBRARY = 11006102,
};

// 0 when the attribute is absent. A value that is not a whole decimal
// number is damage: "1000p" read as 1000 would drop the user's links on the
// next save without a word.
int IntAttr(const TiXmlElement* e, const char* name)
{
    const char* text = e ? e->Attribute(name) : nullptr;
    if (!text)
        return 0;
    errno = 0;
    char* end = nullptr;
    const bool starts = (*text >= '0' && *text <= '9') || *text == '-' || *text == '+';
    const long value = std::strtol(text, &end, 10);
    if (!starts || end == text || *end != '\0' || errno != 0 || value < INT_MIN || value > INT_MAX)
        throw CBaseException(QB_ERR_MEDIA,
                             std::string("<") + e->Value() + "> (line " + std::to_string(e->Row()) + "): " + name +
                                 " \"" + std::string(text).substr(0, 32) + "\" is not a whole number",
                             __LINE__, kSource);
    return static_cast<int>(value);
}

// Reads every number a library or a link file holds, so damage is found
// while the file is loaded, before anything of it is used or saved over it.
void CheckNumbers(const TiXmlElement* root, std::initializer_list<const char*> rootNames,
                  std::initializer_list<const char*> childNames)
{
    for (const char* name : rootNames)
        IntAttr(root, name);
    for (const TiXmlElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement()) {
        for (const char* name : childNames)
            IntAttr(e, name);
        for (const TiXmlElement* c = e->FirstChildElement(); c; c = c->NextSiblingElement())
            for (const char* name : childNames)
                IntAttr(c, name);
    }
}

// None of the catalogue's documents holds text: text where an element
// should be is an element whose "<" a flipped bit turned into text, and read
// on it would be lost without a word.
void CheckNoText(const TiXmlNode* node)
{
    for (const TiXmlNode* n = node->FirstChild(); n; n = n->NextSibling()) {
        if (n->Type() == TiXmlNode::TINYXML_TEXT)
            throw CBaseException(QB_ERR_MEDIA,
                                 std::string("text where an element should be, in <") + node->Value() + "> at line " +
                                     std::to_string(n->Row()),
                                 __LINE__, kSource);
        if (n->Type() == TiXmlNode::TINYXML_ELEMENT)
            CheckNoText(n);
    }
}

// What was kept aside goes to the program's log as well as to the caller.
// Names the file in the reason of a damaged document.
template <typename F> void NamingFile(QString const& path, F&& body)
{
    try {
        body();
    } catch (CBaseException& e) {
        if (e.GetExceptionCode() != QB_ERR_MEDIA)
            throw;
        throw CBaseException(QB_ERR_MEDIA,
                             "Damaged file " + std::string(path.toUtf8().constData()) + ": " + e.GetExceptionMsg(),
                             __LINE__, kSource);
    }
}

QString TextAttr(const TiXmlElement* e, const char* name)
{
    const char* value = e ? e->Attribute(name) : nullptr;
    return value ? QString::fromUtf8(value) : QString();
}

bool FileExists(QString const& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

// A document the program rewrites: written beside the target and renamed into
// place by CXMLDocument; a failure there is only recorded, so look for it.
void SaveChecked(CXMLDocument& doc, QString const& path)
{
    IQuentaException* error = GetQuentaException();
    error->Clear();
    doc.SaveFile(path);
    if (error->GetExceptionCode() != 0)
        QuentaBased::ThrowLastError();
}

// Keeps a file the program cannot read beside itself (see KeepFileAside).
// False when it cannot be moved.
bool KeepAside(QString const& path)
{
    return !KeepFileAside(path).isEmpty();
}

// Keeps a copy of a user file whose next save would drop something it holds.
// The copy's name, empty when none could be made.
QString KeepCopy(QString const& path)
{
    QString aside = path + ".damaged-" + QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
    for (int n = 1; QFileInfo::exists(aside); ++n)
        aside =
            path + ".damaged-" + QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss") + "-" + QString::number(n);
    return QFile::copy(path, aside) ? aside : QString();
}

bool OneOf(const char* name, std::initializer_list<const char*> names)
{
    for (const char* n : names)
        if (std::strcmp(name, n) == 0)
            return true;
    return false;
}

// What the next save of the user library would not write back as it was
// read ("" when nothing): only the custom and recent categories and their
// links in range are saved, with the attributes the program knows.
std::string LostOnSave(ProfileLib& lib)
{
    auto where = [](const TiXmlElement* e) {
        return std::string("<") + e->Value() + "> (line " + std::to_string(e->Row()) + ")";
    };
    for (const TiXmlElement* c = lib.GetRoot()->FirstChildElement(); c; c = c->NextSiblingElement()) {
        if (std::strcmp(c->Value(), "Category") != 0)
            return where(c) + " is no category";
        for (const TiXmlAttribute* a = c->FirstAttribute(); a; a = a->Next())
            if (!OneOf(a->Name(), {"ID", "Name", "Type", "Skip"}))
                return where(c) + " has an unknown attribute " + a->Name();
        const int id = IntAttr(c, "ID");
        if (id != PROFILE_ID_CUSTOM && id != PROFILE_ID_RECENT)
            return where(c) + " is neither the custom nor the recent category";
        for (const TiXmlElement* l = c->FirstChildElement(); l; l = l->NextSiblingElement()) {
            if (std::strcmp(l->Value(), "ProfileLnk") != 0)
                return where(l) + " is no profile link";
            for (const TiXmlAttribute* a = l->FirstAttribute(); a; a = a->Next())
                if (!OneOf(a->Name(), {"ID", "BaseID", "Name", "Comment", "Skip", "Flag"}))
                    return where(l) + " has an unknown attribute " + a->Name();
            const int link = IntAttr(l, "ID");
            if (IsCustomId(id) ? !IsCustomId(link) : !IsRecentId(link))
                return where(l) + " has an ID outside its category's range";
            if (!l->Attribute("BaseID"))
                return where(l) + " has no BaseID";
        }
    }
    return std::string();
}

} // namespace

// ---------------------------------------------------------------- documents

ProfileLib::ProfileLib()
{
    SetRootName("ProfileLib");
}

void ProfileLib::LoadFile(QString const& path)
{
    CXMLDocument::LoadFile(path);
    if (std::string(GetRoot()->Value()) != "ProfileLib")
        throw CBaseException(ERR_ROOT_MISMATCH, "LoadFile the root xml match falsed.", __LINE__, kSource);
    NamingFile(path, [&] {
        CheckNoText(GetRoot());
        CheckNumbers(GetRoot(), {"DefaultID", "RecentLimited"}, {"ID", "BaseID", "Skip", "Type", "Flag"});
    });
}

ProfileSerial::ProfileSerial()
{
    SetRootName("ProfileConfig");
}

ProfileSerial::~ProfileSerial()
{
    m_linkById.clear();
    m_categoryById.clear();
}

void ProfileSerial::LoadFile(QString const& path)
{
    m_pLinks = nullptr;
    m_pCategories = nullptr;
    CXMLDocument::LoadFile(path);
    TiXmlElement* root = GetRoot();
    if (std::string(root->Value()) != "ProfileConfig")
        throw CBaseException(ERR_ROOT_MISMATCH, "LoadFile the root xml match falsed.", __LINE__, kSource);
    NamingFile(path, [&] {
        CheckNoText(root);
        CheckNumbers(root, {"level"}, {"ID", "Skip"});
    });
    m_level = IntAttr(root, "level");
    m_linkById.clear();
    m_categoryById.clear();
    TiXmlElement* links = root->FirstChildElement("ProfileLnks");
    for (TiXmlElement* e = links ? links->FirstChildElement("ProfileLnk") : nullptr; e;
         e = e->NextSiblingElement("ProfileLnk"))
        m_linkById.insert(IntAttr(e, "ID"), e);
    TiXmlElement* cats = root->FirstChildElement("Categorys");
    for (TiXmlElement* e = cats ? cats->FirstChildElement("Category") : nullptr; e;
         e = e->NextSiblingElement("Category"))
        m_categoryById.insert(IntAttr(e, "ID"), e);
    m_pLinks = links;
    m_pCategories = cats;
}

void ProfileSerial::newDocument()
{
    ProfileRaising(__LINE__, kSource, [&] {
        Clear();
        m_linkById.clear();
        m_categoryById.clear();
        TiXmlElement* root = GetRoot();
        m_pLinks = root->InsertEndChild(TiXmlElement("ProfileLnks"))->ToElement();
        m_pCategories = root->InsertEndChild(TiXmlElement("Categorys"))->ToElement();
        root->SetAttribute("level", 1);
        m_level = 1;
    });
    if (!canSerial())
        throw CBaseException(ERR_ROOT_MISMATCH, "new xml document falsed.", __LINE__, kSource);
}

// Every record is written with its own hidden bit, shown ones too: a link
// shipped hidden that the user shows again, and hidden custom, recent and
// starred links, all keep the user's choice across a restart.
void ProfileSerial::Write(CatData& cat)
{
    if (!m_pCategories)
        throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
    TiXmlElement e("Category");
    e.SetAttribute("ID", cat.id);
    e.SetAttribute("Skip", cat.flags.testFlag(BF_Skip) ? 1 : 0);
    m_pCategories->InsertEndChild(e);
}

void ProfileSerial::Write(LnkData& lnk)
{
    if (!m_pLinks)
        throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
    TiXmlElement e("ProfileLnk");
    e.SetAttribute("ID", lnk.id);
    e.SetAttribute("Skip", lnk.flags.testFlag(BF_Skip) ? 1 : 0);
    m_pLinks->InsertEndChild(e);
}

void ProfileSerial::filterRead(CatData& cat)
{
    QB_GUARDED_VOID({
        TiXmlElement* e = m_categoryById.value(cat.id, nullptr);
        if (e && m_level > 0)
            cat.flags.setFlag(BF_Skip, IntAttr(e, "Skip") != 0);
    });
}

void ProfileSerial::filterRead(LnkData& lnk)
{
    QB_GUARDED_VOID({
        TiXmlElement* e = m_linkById.value(lnk.id, nullptr);
        if (e && m_level > 0)
            lnk.flags.setFlag(BF_Skip, IntAttr(e, "Skip") != 0);
    });
}

void MakeCustomLib(ProfileLib& lib)
{
    try {
        TiXmlElement custom("Category");
        custom.SetAttribute("ID", PROFILE_ID_CUSTOM);
        custom.SetAttribute("Name", "Custom");
        TiXmlElement recent("Category");
        recent.SetAttribute("ID", PROFILE_ID_RECENT);
        recent.SetAttribute("Name", "Recent");
        TiXmlElement* root = lib.GetRoot();
        root->InsertEndChild(custom);
        root->InsertEndChild(recent);
    } catch (...) {
        QuentaBased::RecordCurrentException(41, kSource);
    }
}

TiXmlElement* FindXMLCatByID(ProfileLib& lib, int id)
{
    try {
        TixmlNextIterator it(lib.GetRoot(), "Category");
        while (it.HasNext()) {
            TiXmlElement* cat = it.Next();
            if (IntAttr(cat, "ID") == id)
                return cat;
        }
        return nullptr;
    } catch (std::exception& e) {
        throw CBaseException(QB_ERR_STD_EXCEPTION, e.what(), 55, kSource);
    } catch (...) {
        throw CBaseException(QB_ERR_UNEXPECTED, "Unexpected error", 55, kSource);
    }
}

void SaveLnkData(TiXmlElement& parent, LnkData& lnk)
{
    try {
        TiXmlElement e("ProfileLnk");
        e.SetAttribute("ID", lnk.id);
        e.SetAttribute("BaseID", lnk.baseId);
        e.SetAttribute("Name", lnk.name.toUtf8().constData());
        e.SetAttribute("Comment", lnk.comment.toUtf8().constData());
        parent.InsertEndChild(e);
    } catch (...) {
        QuentaBased::RecordCurrentException(69, kSource);
    }
}

// ------------------------------------------------------------ configuration

ProfileConfig::ProfileConfig(ProfileNodeManager& manager) : QObject(nullptr), m_manager(manager)
{
    m_values.insert(0, 1);
    m_values.insert(1, 0);
}

ProfileConfig::~ProfileConfig() = default;

void ProfileConfig::setAppProfileDir(QString const& path)
{
    m_appProfileDir = includePathSeparator(path);
}

void ProfileConfig::setUserProfileDir(QString const& path)
{
    m_userProfileDir = includePathSeparator(path);
}

void ProfileConfig::setAppProfileIconDir(QString const& path)
{
    m_appProfileIconDir = includePathSeparator(path);
}

bool ProfileConfig::execLoadData()
{
    return QB_GUARDED(false, {
        if (!FileExists(m_appLibFilePath))
            throw CBaseException(ERR_NO_APP_LIBRARY, m_appLibFilePath.toLocal8Bit().constData(), __LINE__, kSource);
        m_manager.clearLibrary();
        m_userLibBlocked = false;

        std::unique_ptr<ProfileSerial> serial;
        std::unique_ptr<CBaseException> serialAside;
        if (FileExists(m_configFilePath)) {
            serial = std::make_unique<ProfileSerial>();
            bool damaged = !QB_GUARDED_VOID({ serial->LoadFile(m_configFilePath); }) || serial->HasLoadError();
            if (damaged) {
                // The next save would replace the user's choices: keep them.
                serialAside = std::make_unique<CBaseException>(GetQuentaException());
                KeepAside(m_configFilePath);
                serial.reset();
            } else if (!serial->canSerial()) {
                serial.reset();
            }
        }

        ProfileLib user;
        std::unique_ptr<CBaseException> keptAside;
        QB_GUARDED_VOID({
            bool fresh = !FileExists(m_userLibFilePath);
            if (!fresh) {
                bool damaged = !QB_GUARDED_VOID({ user.LoadFile(m_userLibFilePath); }) || user.HasLoadError();
                if (damaged) {
                    // Never written over: the user's custom and recent links
                    // stay in the file kept aside.
                    keptAside = std::make_unique<CBaseException>(GetQuentaException());
                    if (!KeepAside(m_userLibFilePath)) {
                        m_userLibBlocked = true;
                        throw CBaseException(QB_ERR_FILE_IO,
                                             "The user profile library can be neither read nor moved aside: " +
                                                 std::string(m_userLibFilePath.toLocal8Bit().constData()),
                                             __LINE__, kSource);
                    }
                    user.Clear();
                    fresh = true;
                } else {
                    const std::string lost = LostOnSave(user);
                    if (!lost.empty()) {
                        // Read as it stands, but copied before a save drops it.
                        const QString copy = KeepCopy(m_userLibFilePath);
                        keptAside = std::make_unique<CBaseException>(
                            QB_ERR_MEDIA,
                            "The user profile library " + std::string(m_userLibFilePath.toUtf8().constData()) +
                                " holds what a save would drop: " + lost + "; " +
                                (copy.isEmpty() ? std::string("no copy could be kept")
                                                : "a copy is kept as " + std::string(copy.toUtf8().constData())),
                            __LINE__, kSource);
                    }
                }
            }
            if (fresh) {
                MakeCustomLib(user);
                SaveChecked(user, m_userLibFilePath);
            }
        });
        QB_GUARDED_VOID({ AddLib(user, serial.get(), false); });

        ProfileLib app;
        app.LoadFile(m_appLibFilePath);
        if (app.HasLoadError())
            throw CBaseException(QB_ERR_FILE_IO, app.GetLoadError().toUtf8().constData(), __LINE__, kSource);
        QB_GUARDED_VOID({ AddLib(app, serial.get(), true); });
        if (serialAside)
            TellKeptAside(serialAside->GetMsg());
        if (keptAside)
            TellKeptAside(keptAside->GetMsg());
        if (!keptAside)
            keptAside = std::move(serialAside);
        if (keptAside)
            GetQuentaException()->Copy(keptAside.get());
        return true;
    });
}

void ProfileConfig::AddLib(ProfileLib& lib, ProfileSerial* serial, bool isAppLib)
{
    ProfileRaising(__LINE__, kSource, [&] {
        TiXmlElement* root = lib.GetRoot();
        if (isAppLib) {
            m_defaultId = IntAttr(root, "DefaultID");
            if (m_recentLimited == -1)
                m_recentLimited = IntAttr(root, "RecentLimited");
        }
        std::list<CatData>& cats = m_manager.catDataList();
        std::list<LnkData>& lnks = m_manager.lnkDataList();
        for (TiXmlElement* c = root->FirstChildElement("Category"); c; c = c->NextSiblingElement("Category")) {
            CatData cat;
            cat.name = TextAttr(c, "Name");
            cat.id = IntAttr(c, "ID");
            if (IsCustomId(cat.id))
                cat.flags |= BF_Custom;
            else if (IsRecentId(cat.id))
                cat.flags |= BF_Recent;
            if (IntAttr(c, "Skip") != 0)
                cat.flags |= BF_Skip;
            if (m_catDataTypeSupport) {
                int type = IntAttr(c, "Type");
                cat.type = (cat.flags & (BF_Custom | BF_Recent)) || type == 0 ? 1 : type;
            }
            if (serial)
                serial->filterRead(cat);
            cats.push_back(cat);
            CatData* parent = &cats.back();
            for (TiXmlElement* l = c->FirstChildElement("ProfileLnk"); l; l = l->NextSiblingElement("ProfileLnk")) {
                LnkData lnk;
                lnk.parent = parent;
                lnk.name = TextAttr(l, "Name");
                lnk.id = IntAttr(l, "ID");
                lnk.comment = TextAttr(l, "Comment");
                if (IntAttr(l, "Skip") != 0)
                    lnk.flags |= BF_Skip;
                if (IntAttr(l, "Flag") == 4)
                    lnk.flags |= BF_Star;
                if (parent->flags.testFlag(BF_Custom)) {
                    if (!IsCustomId(lnk.id))
                        continue;
                    lnk.flags |= BF_Custom;
                    lnk.baseId = IntAttr(l, "BaseID");
                } else if (parent->flags.testFlag(BF_Recent)) {
                    if (!IsRecentId(lnk.id))
                        continue;
                    lnk.flags |= BF_Recent;
                    lnk.baseId = IntAttr(l, "BaseID");
                }
                if (serial)
                    serial->filterRead(lnk);
                lnks.push_back(lnk);
            }
        }
    });
}

bool ProfileConfig::execSaveData()
{
    return QB_GUARDED(false, {
        if (m_userLibBlocked)
            throw CBaseException(QB_ERR_FILE_IO, "The user profile library is damaged and kept as it is", __LINE__,
                                 kSource);
        ProfileLib lib;
        MakeCustomLib(lib);
        TiXmlElement* custom = FindXMLCatByID(lib, PROFILE_ID_CUSTOM);
        TiXmlElement* recent = FindXMLCatByID(lib, PROFILE_ID_RECENT);
        if (!custom || !recent)
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
        ProfileSerial serial;
        serial.newDocument();
        for (LnkData& lnk : m_manager.lnkDataList()) {
            if (lnk.parent && lnk.parent->flags.testFlag(BF_Recent))
                SaveLnkData(*recent, lnk);
            else if (lnk.parent && lnk.parent->flags.testFlag(BF_Custom))
                SaveLnkData(*custom, lnk);
            serial.Write(lnk);
        }
        for (CatData& cat : m_manager.catDataList())
            serial.Write(cat);
        SaveChecked(lib, m_userLibFilePath);
        SaveChecked(serial, m_configFilePath);
        return true;
    });
}

void ProfileConfig::TellKeptAside(const char* reason)
{
    if (IQuentaLogger* logger = GetQuentaLogger())
        logger->Log(LOG_WARN, "ProfileConfig", reason, nullptr, 0);
    m_keptAsideNotes << QString::fromUtf8(reason);
}

QStringList ProfileConfig::takeKeptAsideNotes()
{
    QStringList notes;
    notes.swap(m_keptAsideNotes);
    return notes;
}

void ProfileConfig::loadProfileCfg()
{
    QB_GUARDED_VOID({
        if (!FileExists(m_profileCfgPath))
            return;
        CXMLDocument doc;
        doc.LoadFile(m_profileCfgPath);
        bool damaged = doc.HasLoadError();
        if (!damaged)
            damaged = !QB_GUARDED_VOID({
                NamingFile(m_profileCfgPath, [&] {
                    if (std::string(doc.GetRoot()->Value()) != "ProfileCfg")
                        throw CBaseException(QB_ERR_MEDIA,
                                             std::string("the root element is <") + doc.GetRoot()->Value() +
                                                 ">, not <ProfileCfg>",
                                             __LINE__, kSource);
                    CheckNoText(doc.GetRoot());
                    CheckNumbers(doc.GetRoot(), {}, {"ViewMode", "ShowMode"});
                });
            });
        if (damaged) {
            // The defaults are used; the file is kept aside, so the save at
            // the end never writes over what the user had.
            const CBaseException reason(GetQuentaException());
            const bool kept = KeepAside(m_profileCfgPath);
            const std::string path = m_profileCfgPath.toUtf8().constData();
            GetQuentaException()->SetException(
                QB_ERR_MEDIA,
                ("The view settings " + path + " are damaged (" + reason.GetMsg() + "); the defaults are used and " +
                 (kept ? std::string("the file is kept aside") : std::string("the file is left as it is")))
                    .c_str(),
                __LINE__, kSource);
            if (!kept)
                m_profileCfgBlocked = true;
            TellKeptAside(GetQuentaException()->GetExceptionMsg());
            return;
        }
        TiXmlElement* list = doc.GetRoot()->FirstChildElement("ProfileList");
        if (!list)
            return;
        m_values[0] = IntAttr(list, "ViewMode");
        m_values[1] = IntAttr(list, "ShowMode");
    });
}

void ProfileConfig::saveProfileCfg()
{
    QB_GUARDED_VOID({
        if (m_profileCfgBlocked)
            throw CBaseException(QB_ERR_FILE_IO, "The view settings are damaged and kept as they are", __LINE__,
                                 kSource);
        CXMLDocument doc;
        doc.SetRootName("ProfileCfg");
        TiXmlElement list("ProfileList");
        list.SetAttribute("ViewMode", m_values.value(0).toInt());
        list.SetAttribute("ShowMode", m_values.value(1).toInt());
        doc.GetRoot()->InsertEndChild(list);
        SaveChecked(doc, m_profileCfgPath);
    });
}

IProfile* ProfileConfig::createDefaultProfile()
{
    return QB_GUARDED(static_cast<IProfile*>(nullptr), {
        LnkData lnk;
        lnk.id = m_defaultId;
        return m_manager.loadProfile(lnk);
    });
}

bool ProfileConfig::getIcon(QString const& folder, QString const& name, QVariant& out)
{
    return QB_GUARDED(false, {
        auto it = m_iconCache.find(name);
        if (it == m_iconCache.end()) {
            QString path = folder + name + ".png";
            if (!FileExists(path))
                return false;
            it = m_iconCache.insert(name, QPixmap(path));
        }
        out = QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(&it.value()));
        return true;
    });
}

bool ProfileConfig::IconByName(QString const& name, QVariant& out)
{
    return getIcon(m_userProfileDir, name, out) || getIcon(m_appProfileIconDir, name, out);
}

QIcon ProfileConfig::getProfileIcon(IProfile* profile)
{
    return QB_GUARDED(QIcon(), {
        if (!profile || !profile->GetDesc())
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
        IProfileDesc* info = profile->GetDesc();
        bool user = IsCustomProfile(profile) || IsRecentProfile(profile);
        QVariant value;
        if (!IconByName(QString::number(user ? info->GetBaseID() : info->GetID()), value))
            return QIcon();
        QPixmap const* pixmap = PixmapFromIconValue(value);
        return pixmap ? QIcon(*pixmap) : QIcon();
    });
}

void ProfileConfig::ondataFromCatNode(QVariant& data, const QVariant& sName, CatData* pData)
{
    Q_UNUSED(pData);
    IconByName(sName.toString(), data);
}

void ProfileConfig::ondataFromLnkNode(QVariant& data, const QVariant& sName, LnkData* pData)
{
    QB_GUARDED_VOID({
        QString name = sName.toString();
        if (pData && name != QLatin1String("star") && (IsCustomId(pData->id) || IsRecentId(pData->id))) {
            int base = pData->baseId;
            if (IsCustomId(base)) {
                for (LnkData& lnk : m_manager.lnkDataList()) {
                    if (lnk.parent && lnk.parent->flags.testFlag(BF_Custom) && lnk.id == base) {
                        base = lnk.baseId;
                        break;
                    }
                }
            }
            name = QString::number(base);
        }
        IconByName(name, data);
    });
}

QPixmap const* PixmapFromIconValue(QVariant const& value)
{
    if (!value.isValid() || !value.canConvert<quintptr>())
        return nullptr;
    return reinterpret_cast<QPixmap const*>(value.value<quintptr>());
}
