#include "vprofileparambase.h"

#include "CBaseException.h"
#include "IMirendo.h"
#include "IProfile.h"
#include "ProfileManager/profile_data.h"
#include "profileparamtext.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>

VProfileParamBase::VProfileParamBase(QWidget* parent, const char* source) : QFrame(parent), m_source(source) {}

VProfileParamBase::~VProfileParamBase()
{
    if (m_pMirendo)
        m_pMirendo->Release();
}

void VProfileParamBase::initPageControlElems()
{
    m_pMirendo = CreateMirendo();
    if (!m_pMirendo)
        throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, m_source);
}

void VProfileParamBase::showColItem(IColItem* pItem, QComboBox* pComboBox, QVariant value, ColItemFlags flags)
{
    using ProfileParamText::ListNames;
    ListNames names = ListNames::Plain;
    if (flags & FlagChannelNames)
        names = ListNames::Channels;
    else if (flags & FlagBitrateNames)
        names = ListNames::Bitrates;
    ProfileParamText::FillList(pItem, pComboBox, value, names, flags.testFlag(FlagEditable), m_styleSheet);
}

void VProfileParamBase::showProfile(IProfile* profile)
{
    QuentaBased::CallGuardedVoid(__LINE__, m_source, [&]() {
        m_pCurProfile = profile;
        if (!profile)
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, m_source);
        fillLists(profile);
    });
    // What was typed for the previous profile is not this one's.
    m_bEditPending = false;
    WatchEdits();
}

void VProfileParamBase::WatchEdits()
{
    for (QComboBox* box : findChildren<QComboBox*>()) {
        connect(box, QOverload<int>::of(&QComboBox::activated), this, &VProfileParamBase::slot_Activated,
                Qt::UniqueConnection);
        if (QLineEdit* edit = box->lineEdit()) {
            connect(edit, &QLineEdit::textEdited, this, &VProfileParamBase::slot_TextEdited, Qt::UniqueConnection);
            connect(edit, &QLineEdit::editingFinished, this, &VProfileParamBase::slot_EditingFinished,
                    Qt::UniqueConnection);
        }
    }
}

void VProfileParamBase::slot_TextEdited()
{
    m_bEditPending = true;
}

void VProfileParamBase::slot_EditingFinished()
{
    CommitPendingEdit();
}

void VProfileParamBase::slot_Activated()
{
    m_bEditPending = false;
    emit signal_ValueEdited();
}

void VProfileParamBase::CommitPendingEdit()
{
    if (!m_bEditPending)
        return;
    m_bEditPending = false;
    emit signal_ValueEdited();
}

bool VProfileParamBase::SaveSettingToCurProfile()
{
    return QuentaBased::CallGuarded(false, __LINE__, m_source, [&]() {
        if (!m_pCurProfile)
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, m_source);
        return saveToProfile(m_pCurProfile, false);
    });
}

bool VProfileParamBase::saveToProfile(IProfile* profile, bool bAsk)
{
    try {
        if (!profile)
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, m_source);
        if (IsRemuxProfile(profile))
            return true;
        return writeLists(profile, bAsk);
    } catch (std::exception& e) {
        throw CBaseException(QB_ERR_STD_EXCEPTION, e.what(), __LINE__, m_source);
    } catch (...) {
        throw CBaseException(QB_ERR_UNEXPECTED, "Unexpected error", __LINE__, m_source);
    }
}

bool VProfileParamBase::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        Retranslate();
    return QFrame::event(e);
}
