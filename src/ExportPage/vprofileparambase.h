#pragma once

// What both parameter panels share: the profile they show (never owned), the
// device database, the list style sheet, filling one list from an option
// column, and the boundaries of showing and saving, where every failure is
// recorded or turned into a CBaseException naming the panel's own unit.

#include <QFlags>
#include <QFrame>
#include <QString>
#include <QVariant>

class IColItem;
class IMirendo;
class IProfile;
class ProfileNodeManager;
class QComboBox;

class VProfileParamBase : public QFrame
{
    Q_OBJECT
public:
    enum ColItemFlag {
        FlagChannelNames = 2,
        FlagEditable = 4,
        FlagBitrateNames = 8,
    };
    Q_DECLARE_FLAGS(ColItemFlags, ColItemFlag)

    ~VProfileParamBase() override;

    void setProfileNodeManager(ProfileNodeManager* pMgr) { m_pNodeMgr = pMgr; }
    // Shows the profile (null: nothing shown, "Bad pointer" recorded); never throws.
    void showProfile(IProfile* profile);
    // Writes the lists into the shown profile; false with the reason recorded.
    bool SaveSettingToCurProfile();
    // Throws CBaseException; a failure writes nothing.
    bool saveToProfile(IProfile* profile, bool bAsk);
    virtual void setComcoboxStyleSheet(QString sheet) = 0;
    virtual void Retranslate() = 0;
    bool event(QEvent* e) override;

    // Fills one list with a column's choices and selects the value; throws.
    void showColItem(IColItem* pItem, QComboBox* pComboBox, QVariant value, ColItemFlags flags);

    IProfile* currentProfile() const { return m_pCurProfile; }

    // A value typed but not yet confirmed (no Enter, focus still in the field)
    // is announced now, so that it reaches the task it was typed for.
    void CommitPendingEdit();

signals:
    // The user changed a value: picked one from a list, or typed one and left
    // the field or pressed Enter. Filling the lists never emits it.
    void signal_ValueEdited();

private slots:
    void slot_TextEdited();
    void slot_EditingFinished();
    void slot_Activated();

protected:
    // `source` names the panel's unit in the errors it records or throws.
    VProfileParamBase(QWidget* parent, const char* source);

    // Creates the device database; throws "Bad pointer" when it cannot be had.
    void initPageControlElems();
    // Fills the lists from a profile that is not null; throws.
    virtual void fillLists(IProfile* profile) = 0;
    // Writes the lists into a profile that is neither null nor a stream copy;
    // throws, and writes nothing then.
    virtual bool writeLists(IProfile* profile, bool bAsk) = 0;

    const char* const m_source;
    ProfileNodeManager* m_pNodeMgr = nullptr;
    IProfile* m_pCurProfile = nullptr;
    QString m_styleSheet;
    IMirendo* m_pMirendo = nullptr;

private:
    // Lists change their line edit whenever they become editable: the watch
    // is renewed each time a profile is shown.
    void WatchEdits();

    bool m_bEditPending = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(VProfileParamBase::ColItemFlags)
