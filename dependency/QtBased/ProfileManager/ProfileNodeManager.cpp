#include "ProfileNodeManager.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "CTmpFile.h"
#include "Encryption/DesEncrypt.h"
#include "utility/HttpPost.h"
#include "IProfile.h"
#include "profileConfig.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardItemModel>

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace {

const char* const kSource = "dependency/QtBased/ProfileManager/ProfileNodeManager";

// The key the profile files are enciphered with before an upload.
const char kUploadKey[] = "3A7F-91C2-5D0E-B846-2F19";

} // namespace

ProfileNodeManager::ProfileNodeManager() : QObject(nullptr)
{
    qRegisterMetaType<TUpdateFlag>("TUpdateFlag");
    qRegisterMetaType<CatViewList*>("CatViewList*");
    m_pConfig = new ProfileConfig(*this);
    connect(&m_catNode, &ProfileCatNode::dataFromNode, m_pConfig, &ProfileConfig::ondataFromCatNode);
    connect(&m_lnkNode, &ProfileLnkNode::dataFromNode, m_pConfig, &ProfileConfig::ondataFromLnkNode);
    reTranslate();
    m_searchCat.id = PROFILE_ID_SEARCH;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
}

ProfileNodeManager::~ProfileNodeManager()
{
    delete m_pConfig;
}

void ProfileNodeManager::clearLibrary()
{
    m_searchHits.clear();
    m_catNode.GetList().clear();
    m_lnkNode.GetList().clear();
    m_pActiveCat = nullptr;
    m_lnks.clear();
    m_cats.clear();
    m_flags |= UF_Research;
}

void ProfileNodeManager::beginUpdate(UpdateFlag f)
{
    beginUpdate(TUpdateFlag(f));
}

void ProfileNodeManager::beginUpdate(TUpdateFlag f)
{
    ++m_nesting;
    m_flags |= f;
}

void ProfileNodeManager::endUpdate()
{
    if (--m_nesting > 0)
        return;
    m_nesting = 0;
    RebuildAll();
}

void ProfileNodeManager::RebuildUnlessBracketed()
{
    if (m_nesting == 0)
        RebuildAll();
}

void ProfileNodeManager::setSearchText(QString const& text)
{
    QString normal = QString(text).replace(';', ' ').simplified();
    if (normal == m_searchText)
        return;
    beginUpdate();
    m_searchText = normal;
    m_searchWords = normal.split(' ', Qt::SkipEmptyParts);
    m_flags |= UF_Research;
    m_flags.setFlag(UF_Search, !m_searchWords.isEmpty());
    endUpdate();
}

void ProfileNodeManager::setShowHidden(bool bShow)
{
    if (bShow == m_bShowHidden)
        return;
    m_bShowHidden = bShow;
    m_flags.setFlag(UF_ShowHidden, bShow);
    RebuildUnlessBracketed();
}

void ProfileNodeManager::reTranslate()
{
    m_searchCat.name = tr("All Rearch Results");
}

bool ProfileNodeManager::Matches(LnkData const& lnk) const
{
    auto all = [this](QString const& text) {
        for (QString const& word : m_searchWords)
            if (!text.contains(word, Qt::CaseInsensitive))
                return false;
        return true;
    };
    return all(lnk.name) || all(lnk.comment);
}

void ProfileNodeManager::RebuildAll()
{
    TUpdateFlag flags = m_flags;
    m_catNode.GetList().clear();
    m_lnkNode.GetList().clear();

    bool searching = m_flags.testFlag(UF_Search);
    if (m_flags.testFlag(UF_Research)) {
        m_searchHits.clear();
        for (CatData& cat : m_cats)
            cat.state &= ~TBaseFlags(BF_Skip);
        for (LnkData& lnk : m_lnks) {
            lnk.state &= ~TBaseFlags(BF_Skip);
            if (!lnk.flags.testFlag(BF_Recent) && searching && Matches(lnk)) {
                lnk.state |= BF_Skip;
                if (lnk.parent)
                    lnk.parent->state |= BF_Skip;
                m_searchHits.append(&lnk);
            }
        }
    }

    if (searching) {
        m_searchCat.type = m_pConfig->getCatDataTypeSupport() ? 1 : 0;
        m_catNode.GetList().append(&m_searchCat);
    }
    CatViewList listed;
    for (CatData& cat : m_cats) {
        bool show = (!searching && !cat.flags.testFlag(BF_Skip)) ||
                    (searching && cat.state.testFlag(BF_Skip) && !cat.flags.testFlag(BF_Recent)) ||
                    m_flags.testFlag(UF_ShowHidden);
        if (show)
            listed.append(&cat);
    }
    if (m_pConfig->getCatDataTypeSupport())
        std::stable_sort(listed.begin(), listed.end(), CatDataTypeThan);
    m_catNode.GetList().append(listed);

    QB_GUARDED_VOID({ emit CatFilter(&m_catNode.GetList()); });
    QB_GUARDED_VOID({ emit DataChange(flags); });
    m_flags &= ~TUpdateFlag(UF_Research | UF_CustomChanged | UF_RecentChanged);
}

void ProfileNodeManager::reBuildLnkViewList(bool all)
{
    QList<LnkData*>& list = m_lnkNode.GetList();
    list.clear();
    bool searching = m_flags.testFlag(UF_Search);
    CatData* cat = m_pActiveCat;
    if (!cat && searching)
        cat = &m_searchCat;
    if (cat == &m_searchCat) {
        list = m_searchHits;
        return;
    }
    if (!cat && !all)
        return;
    bool showHidden = m_flags.testFlag(UF_ShowHidden);
    for (LnkData& lnk : m_lnks) {
        if (!all && lnk.parent != cat)
            continue;
        if (all && lnk.flags.testFlag(BF_Recent) && !showHidden)
            continue;
        bool show =
            showHidden || (!searching && !lnk.flags.testFlag(BF_Skip)) || (searching && lnk.state.testFlag(BF_Skip));
        if (show)
            list.append(&lnk);
    }
}

void ProfileNodeManager::setSelectProfile(LnkData* lnk)
{
    QB_GUARDED_VOID({
        if (!lnk)
            return;
        bool found = false;
        for (LnkData& other : m_lnks) {
            if (&other == lnk) {
                found = true;
                continue;
            }
            other.state &= ~TBaseFlags(BF_Star);
            if (other.parent)
                other.parent->state &= ~TBaseFlags(BF_Star);
        }
        if (found) {
            lnk->state |= BF_Star;
            if (lnk->parent)
                lnk->parent->state |= BF_Star;
            m_pActiveCat = lnk->parent;
        }
    });
}

void ProfileNodeManager::setSelectProfile(IProfile* profile)
{
    QB_GUARDED_VOID({
        int id = getProfileID(profile); // a null profile is recorded, no mark changes
        setSelectProfile(getProfileLnkDataByID(id));
    });
}

LnkData* ProfileNodeManager::getProfileLnkData(IProfile* profile)
{
    return QB_GUARDED(static_cast<LnkData*>(nullptr), { return getProfileLnkDataByID(getProfileID(profile)); });
}

LnkData* ProfileNodeManager::getProfileLnkDataByID(int id)
{
    for (LnkData& lnk : m_lnks)
        if (lnk.id == id)
            return &lnk;
    return nullptr;
}

IProfile* ProfileNodeManager::loadProfile(LnkData& lnk)
{
    return ProfileRaising(__LINE__, kSource, [&]() -> IProfile* {
        int number = IsRecentId(lnk.id) ? lnk.baseId : lnk.id;
        QString name = QString("%1.xml").arg(number);
        QString user = m_pConfig->getUserProfileDir() + name;
        if (!m_pConfig->getUserProfileDir().isEmpty() && QFileInfo(user).isFile())
            return innerLoadProfile(user);
        QString app = m_pConfig->getAppProfileDir() + name;
        if (!m_pConfig->getAppProfileDir().isEmpty() && QFileInfo(app).isFile())
            return innerLoadProfile(app);
        return nullptr;
    });
}

IProfile* ProfileNodeManager::innerLoadProfile(QString& path)
{
    return ProfileRaising(__LINE__, kSource, [&]() -> IProfile* {
        IProfile* profile = CreateProfile();
        if (!profile)
            QuentaBased::ThrowLastError();
        if (!profile->LoadFile(path.toLocal8Bit().constData())) {
            profile->Release();
            return nullptr;
        }
        return profile;
    });
}

int ProfileNodeManager::MakeProfileID(TBaseFlags& flags)
{
    return ProfileRaising(__LINE__, kSource, [&] {
        for (;;) {
            int id = GetRand(flags);
            bool taken = std::any_of(m_lnks.begin(), m_lnks.end(), [id](LnkData const& l) { return l.id == id; });
            if (!taken)
                return id;
        }
    });
}

void ProfileNodeManager::buildTreeRoot(QStandardItemModel& model)
{
    QB_GUARDED_VOID({
        model.clear();
        for (CatData& cat : m_cats) {
            if (cat.flags.testFlag(BF_Recent))
                continue;
            auto* catItem = new QStandardItem(cat.name);
            catItem->setData(QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(&cat)), PNR_CatPointer);
            catItem->setCheckable(true);
            Qt::CheckState catState = cat.flags.testFlag(BF_Skip) ? Qt::Unchecked : Qt::Checked;
            catItem->setCheckState(catState);
            bool mixed = false;
            for (LnkData& lnk : m_lnks) {
                if (lnk.parent != &cat)
                    continue;
                auto* child = new QStandardItem(lnk.name);
                child->setData(QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(&lnk)), PNR_LnkPointer);
                child->setCheckable(true);
                Qt::CheckState state = lnk.flags.testFlag(BF_Skip) ? Qt::Unchecked : Qt::Checked;
                child->setCheckState(state);
                mixed |= state != catState;
                catItem->appendRow(child);
            }
            if (mixed)
                catItem->setCheckState(Qt::PartiallyChecked);
            model.appendRow(catItem);
        }
    });
}

void ProfileNodeManager::buildSearchResult(QStandardItemModel& model)
{
    QB_GUARDED_VOID({
        model.clear();
        for (LnkData* lnk : m_searchHits) {
            auto* item = new QStandardItem(lnk->name);
            item->setData(QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(lnk)), PNR_LnkPointer);
            item->setCheckable(true);
            item->setCheckState(lnk->flags.testFlag(BF_Skip) ? Qt::Unchecked : Qt::Checked);
            model.appendRow(item);
        }
    });
}

void ProfileNodeManager::saveFlags()
{
    for (CatData& cat : m_cats)
        cat.savedFlags = cat.flags;
    for (LnkData& lnk : m_lnks)
        lnk.savedFlags = lnk.flags;
}

void ProfileNodeManager::resetFlags(bool commit)
{
    if (!commit) {
        beginUpdate();
        for (CatData& cat : m_cats)
            cat.flags = cat.savedFlags;
        for (LnkData& lnk : m_lnks)
            lnk.flags = lnk.savedFlags;
        endUpdate();
        return;
    }
    if (!m_pConfig->execSaveData())
        QMessageBox::critical(nullptr, m_pConfig->getAppName(), tr("Failed to Save Config File."), QMessageBox::Ok);
}

CatData* ProfileNodeManager::FirstCategoryWith(BaseFlag bit)
{
    for (CatData& cat : m_cats)
        if (cat.flags.testFlag(bit))
            return &cat;
    return nullptr;
}

void ProfileNodeManager::ForgetLinks(std::set<LnkData const*> const& gone)
{
    auto removed = [&gone](LnkData* l) { return gone.count(l) != 0; };
    m_searchHits.erase(std::remove_if(m_searchHits.begin(), m_searchHits.end(), removed), m_searchHits.end());
    QList<LnkData*>& shown = m_lnkNode.GetList();
    shown.erase(std::remove_if(shown.begin(), shown.end(), removed), shown.end());
}

void ProfileNodeManager::saveCustomProfile(IProfile* profile)
{
    if (!profile)
        throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
    ProfileRaising(__LINE__, kSource, [&] {
        CatData* custom = FirstCategoryWith(BF_Custom);
        if (!custom)
            throw CBaseException(QB_ERR_NOT_FOUND, "The user library has no custom category", __LINE__, kSource);
        IProfileDesc* info = profile->GetDesc();
        if (!info)
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
        LnkData lnk;
        lnk.name = QString::fromUtf8(info->GetName());
        lnk.comment = QString::fromUtf8(info->GetComment());
        lnk.flags = BF_Custom;
        int oldId = info->GetID();
        int oldBase = info->GetBaseID();
        lnk.baseId = IsCustomId(oldId) ? oldBase : oldId;
        TBaseFlags kind(BF_Custom);
        lnk.id = MakeProfileID(kind);
        info->SetID(lnk.id);
        info->SetBaseID(lnk.baseId);
        QString path = m_pConfig->getUserProfileDir() + QString("%1.xml").arg(lnk.id);
        if (!profile->SaveFile(path.toLocal8Bit().constData())) {
            // Nothing changes when the profile cannot be written: no link
            // without a file, and the object keeps its own numbers.
            CBaseException cause(GetQuentaException());
            info->SetID(oldId);
            info->SetBaseID(oldBase);
            throw cause;
        }
        lnk.parent = custom;
        m_lnks.push_back(lnk);
        m_flags |= UF_CustomChanged | UF_Research;
        if (!m_pConfig->execSaveData())
            QuentaBased::ThrowLastError();
        RebuildUnlessBracketed();
    });
}

void ProfileNodeManager::removeCustomProfile(IProfile* profile)
{
    QB_GUARDED_VOID({
        if (!IsCustomProfile(profile))
            return;
        int id = getProfileID(profile);
        bool removed = false, customRemoved = false;
        for (auto it = m_lnks.begin(); it != m_lnks.end();) {
            bool recent = it->parent && it->parent->flags.testFlag(BF_Recent) && it->baseId == id;
            bool custom = it->parent && it->parent->flags.testFlag(BF_Custom) && it->id == id;
            if (recent || custom) {
                removed = true;
                customRemoved |= custom;
                ForgetLinks({&*it});
                it = m_lnks.erase(it);
            } else {
                ++it;
            }
        }
        if (!removed)
            return;
        if (customRemoved)
            QFile::remove(m_pConfig->getUserProfileDir() + QString("%1.xml").arg(id));
        // Any removal is saved and rebuilt, so no list keeps a link that is gone.
        m_flags |= UF_CustomChanged | UF_Research;
        if (!m_pConfig->execSaveData())
            QuentaBased::ThrowLastError();
        RebuildUnlessBracketed();
    });
}

void ProfileNodeManager::saveRecentProfile(IProfile* profile)
{
    QB_GUARDED_VOID({
        if (!profile)
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
        IProfileDesc* info = profile->GetDesc();
        if (!info)
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
        CatData* recentCat = FirstCategoryWith(BF_Recent);
        if (!recentCat)
            throw CBaseException(QB_ERR_NOT_FOUND, "The user library has no recent category", __LINE__, kSource);
        LnkData lnk;
        lnk.name = QString::fromUtf8(info->GetName());
        lnk.comment = QString::fromUtf8(info->GetComment());
        lnk.baseId = info->GetID();
        lnk.flags = BF_Recent;
        TBaseFlags kind(BF_Recent);
        lnk.id = MakeProfileID(kind);
        lnk.parent = recentCat;

        int limit = m_pConfig->getRecentLimited();
        int counted = 0;
        for (auto it = m_lnks.begin(); it != m_lnks.end();) {
            bool isRecent = it->parent && it->parent->flags.testFlag(BF_Recent);
            bool drop = false;
            if (isRecent) {
                if (it->baseId == lnk.baseId)
                    drop = true;
                else
                    drop = ++counted > limit;
            }
            if (drop) {
                ForgetLinks({&*it});
                it = m_lnks.erase(it);
            } else {
                ++it;
            }
        }
        m_lnks.push_front(lnk);
        m_flags |= UF_RecentChanged | UF_Research;
        if (!m_pConfig->execSaveData())
            QuentaBased::ThrowLastError();
        RebuildUnlessBracketed();
    });
}

void ProfileNodeManager::uploadProfile(IProfile* profile)
{
    QB_GUARDED_VOID({
        if (!profile)
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
        QuentaBased::CTmpFile temp(std::string(), std::string(".puf"));
        m_uploadPath = QString::fromStdString(temp.GetFilePathName());
        temp.SetOwned(true); // removed when the upload has its bytes
        if (!profile->SaveFile(temp.GetFilePathName().c_str()))
            QuentaBased::ThrowLastError();
        QFile file(m_uploadPath);
        if (!file.open(QIODevice::ReadWrite))
            throw CBaseException(QB_ERR_FILE_IO, "Can't open the profile upload file", __LINE__, kSource);
        QByteArray plain = file.readAll();
        DesEncrypt cipher;
        cipher.setKey(kUploadKey);
        if (!cipher.Encrypt(plain.constData(), plain.size()))
            QuentaBased::ThrowLastError();
        QuentaBased::MallocAllocator* data = cipher.getData();
        QByteArray sealed(static_cast<const char*>(data->data), static_cast<int>(data->size));
        file.resize(0);
        file.close();
        if (m_uploadUrl.isEmpty())
            return;
        if (!m_pUploader) {
            m_pUploader = std::make_unique<HttpPost>();
            connect(m_pUploader.get(), &HttpPost::finished, this, &ProfileNodeManager::_httpFinished);
        }
        m_pUploader->addFile("upfile", sealed, QFileInfo(m_uploadPath).fileName(), "multipart/form-data");
        m_pUploader->addField("operate_version", "2");
        m_pUploader->postData(m_uploadUrl + "/PRM/upfile/upfile.php");
    });
}

void ProfileNodeManager::_httpFinished() {}
