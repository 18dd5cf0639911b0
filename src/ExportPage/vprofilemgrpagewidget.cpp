#include "vprofilemgrpagewidget.h"

VProfileMgrPageWidget::VProfileMgrPageWidget(QWidget* parent)
    : QWidget(parent)
{
}

VProfileMgrPageWidget::~VProfileMgrPageWidget() = default;

QString VProfileMgrPageWidget::GetPageName()
{
    return m_pageName;
}

VProfileMgrPageWidget::Function VProfileMgrPageWidget::GetPageFution()
{
    return m_function;
}
