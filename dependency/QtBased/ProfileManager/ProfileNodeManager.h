#pragma once

#include "ProfileNode.h"
#include "profile_data.h"

#include <QObject>
#include <QStringList>

#include <list>
#include <memory>
#include <set>

class HttpPost;
class IProfile;
class ProfileConfig;
class QStandardItemModel;

enum UpdateFlag {
    UF_Search = 0x01,        // a search is active
    UF_ShowHidden = 0x02,    // hidden categories and links are listed
    UF_Research = 0x04,      // the search hits must be recomputed
    UF_CustomChanged = 0x08, // the custom list changed
    UF_RecentChanged = 0x10, // the recent list changed
};
Q_DECLARE_FLAGS(TUpdateFlag, UpdateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TUpdateFlag)
Q_DECLARE_METATYPE(TUpdateFlag)
Q_DECLARE_METATYPE(CatViewList*)

// The whole profile library in memory: every category and link of the
// application catalogue and of the user's custom and recent lists, the search,
// the show-hidden switch, the selection, and the lists the profile pages show
// (through the category and link nodes). Records live in lists with a stable
// address per element; the nodes, the hits and the active category point into
// them. GUI thread only.
class ProfileNodeManager : public QObject
{
    Q_OBJECT
public:
    ProfileNodeManager();
    ~ProfileNodeManager() override;

    ProfileCatNode* getCatNode() { return &m_catNode; }
    ProfileLnkNode* getLnkNode() { return &m_lnkNode; }
    ProfileConfig* getProfileConfig() { return m_pConfig; }
    CatData* getActiveCatData() { return m_pActiveCat; }
    void setActiveCatData(CatData* cat) { m_pActiveCat = cat; }
    QString getSearchText() const { return m_searchText; }
    bool getShowHidden() const { return m_bShowHidden; }
    int getSearchedCount() const { return m_searchHits.size(); }
    CatData* getSearchCatData() { return &m_searchCat; }

    // The library, for the configuration that loads and saves it.
    std::list<CatData>& catDataList() { return m_cats; }
    std::list<LnkData>& lnkDataList() { return m_lnks; }
    // Empties the library and every list that points into it.
    void clearLibrary();

    // Update brackets nest; the outermost endUpdate rebuilds the views.
    void beginUpdate(UpdateFlag f);
    void beginUpdate(TUpdateFlag f = TUpdateFlag());
    void endUpdate();

    // ";" counts as a blank; the text is simplified and split into words.
    void setSearchText(QString const& text);
    void setShowHidden(bool bShow);
    // Fills the link node for the active category (the search hits while a
    // search is active and no category is), every link when `all` is true.
    void reBuildLnkViewList(bool all);
    void reTranslate();

    void setSelectProfile(LnkData* lnk);
    void setSelectProfile(IProfile* profile);
    // The first link (library order) of the profile's library ID, or null.
    LnkData* getProfileLnkData(IProfile* profile);
    LnkData* getProfileLnkDataByID(int id);

    // A profile read from the link's file (user folder first, then the
    // application folder), owned by the caller; null when neither exists or
    // the file does not load.
    IProfile* loadProfile(LnkData& lnk);
    IProfile* innerLoadProfile(QString& path);

    // A free ID of the custom or recent range, compared with every link.
    int MakeProfileID(TBaseFlags& flags);

    // Checkable models for an editor of the hidden bits.
    void buildTreeRoot(QStandardItemModel& model);
    void buildSearchResult(QStandardItemModel& model);
    void saveFlags();
    void resetFlags(bool commit);

    // The user's lists.
    void saveCustomProfile(IProfile* profile);
    void removeCustomProfile(IProfile* profile);
    void saveRecentProfile(IProfile* profile);
    void uploadProfile(IProfile* profile);
    // Where uploadProfile posts; empty sends nothing.
    void setUploadUrl(QString const& url) { m_uploadUrl = url; }

    virtual void RebuildAll();

signals:
    void CatFilter(CatViewList* catviewlist);
    void DataChange(TUpdateFlag nflags);

private slots:
    void _httpFinished();

private:
    bool Matches(LnkData const& lnk) const;
    CatData* FirstCategoryWith(BaseFlag bit);
    void RebuildUnlessBracketed();
    // Drops removed links from every list that points at links, at once.
    void ForgetLinks(std::set<LnkData const*> const& gone);

    int m_nesting = 0;
    TUpdateFlag m_flags;
    QStringList m_searchWords;
    QString m_searchText;
    bool m_bShowHidden = false;
    ProfileConfig* m_pConfig = nullptr;
    std::list<CatData> m_cats;
    std::list<LnkData> m_lnks;
    CatData m_searchCat;
    QList<LnkData*> m_searchHits;
    CatData* m_pActiveCat = nullptr;
    ProfileCatNode m_catNode;
    ProfileLnkNode m_lnkNode;
    QString m_uploadPath;
    std::unique_ptr<HttpPost> m_pUploader;
    QString m_uploadUrl;
};
