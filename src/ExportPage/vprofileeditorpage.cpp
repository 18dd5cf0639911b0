#include "vprofileeditorpage.h"

VProfileEditorPage::VProfileEditorPage(ProfileNodeManager* pMgr, QWidget* parent)
    : VProfileDevicePage(pMgr, FUNC_EDITOR, parent)
{
    Retranslate();
}

void VProfileEditorPage::Retranslate()
{
    VProfileDevicePage::Retranslate();
    m_pageName = tr("Editor");
}
