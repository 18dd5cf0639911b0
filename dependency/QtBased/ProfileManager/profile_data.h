#pragma once

#include "CBaseException.h"

#include <QFlags>
#include <QList>
#include <QString>

#include <exception>

class IProfile;

// Persistent bits (flags) and run-time bits (state) of categories and links;
// the same bit means different things in the two fields, which never mix.
enum BaseFlag {
    BF_Skip = 0x01,   // flags: hidden; state: holds or is a search hit
    BF_Star = 0x04,   // flags: starred link; state: holds or is the selected link
    BF_Custom = 0x20, // the user's custom category and its links
    BF_Recent = 0x40, // the recent category and its links
};
Q_DECLARE_FLAGS(TBaseFlags, BaseFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TBaseFlags)

// One number space for categories and links.
enum ProfileIdRange {
    PROFILE_ID_CUSTOM = 10000, // 10000..19999 custom; 10000 the custom category
    PROFILE_ID_RECENT = 20000, // 20000..29999 recent; 20000 the recent category
    PROFILE_ID_SEARCH = 90000, // the search pseudo-category, never stored
};

inline bool IsCustomId(int id)
{
    return id >= 10000 && id <= 19999;
}

inline bool IsRecentId(int id)
{
    return id >= 20000 && id <= 29999;
}

// One category of the catalogue.
struct CatData
{
    int id = 0;
    QString name;
    TBaseFlags flags;
    TBaseFlags savedFlags;
    TBaseFlags state;
    int type = 0; // group number when category types are on, else 0
};

// One link to a profile file ("<id>.xml"; a recent link's file is its baseId's).
struct LnkData
{
    QString name;
    QString comment;
    int baseId = 0;
    TBaseFlags flags;
    TBaseFlags savedFlags;
    TBaseFlags state;
    int id = 0;
    CatData* parent = nullptr; // not owned
};

typedef QList<CatData*> CatViewList;

// The profile's info ID is custom (10000..19999) or recent (20000..29999).
// A null profile raises 10021003 "Bad pointer".
bool IsCustomProfile(IProfile* profile);
bool IsRecentProfile(IProfile* profile);
// The library ID: a recent profile's base ID, else its own ID.
int getProfileID(IProfile* profile);
// A random ID of the recent range when the recent bit is set, else of the
// custom range when the custom bit is set; else 10021008 "Unexpected error".
int GetRand(TBaseFlags& flags);
// Orders categories by group, for a stable sort.
bool CatDataTypeThan(CatData const* a, CatData const* b);
// True when the profile copies its streams unencoded (its file part's remux
// is the packet remux). A null profile raises 10021008 "Unexpected error".
bool IsRemuxProfile(IProfile* profile);

// The raising boundary of the catalogue's operations: the system's exception
// passes, a standard one becomes 10021015 with its text, anything else
// 10021008 "Unexpected error", each with the caller's place.
template <typename F> auto ProfileRaising(int line, const char* source, F&& body) -> decltype(body())
{
    try {
        return body();
    } catch (CBaseException&) {
        throw;
    } catch (std::exception& e) {
        throw CBaseException(QB_ERR_STD_EXCEPTION, e.what(), line, source);
    } catch (...) {
        throw CBaseException(QB_ERR_UNEXPECTED, "Unexpected error", line, source);
    }
}
