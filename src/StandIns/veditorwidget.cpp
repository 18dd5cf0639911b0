#include "veditorwidget.h"

#include <QEvent>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

VEditorWidget::VEditorWidget(QWidget* parent)
    : QFrame(parent), m_title(new QLabel(this)), m_pages(new QStackedWidget(this))
{
    m_title->setObjectName("lblEditorTitle");
    for (int i = 0; i < 3; ++i)
        m_pages->addWidget(new QFrame(m_pages));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_title);
    layout->addWidget(m_pages, 1);
    ReTranslate();
}

void VEditorWidget::setCurrentEditorPage(EDITORPAGE page)
{
    if (page < 1 || page > 3)
        return;
    m_page = page;
    m_pages->setCurrentIndex(page - 1);
    ReTranslate();
}

QString VEditorWidget::title() const
{
    return m_title->text();
}

void VEditorWidget::ReTranslate()
{
    if (m_page == 1)
        m_title->setText(tr("Effects", "效果"));
    else if (m_page == 2)
        m_title->setText(tr("Volume Adjustment", "音量调节"));
    else
        m_title->setText(tr("3D Effect", "3D效果"));
}

void VEditorWidget::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ReTranslate();
    QFrame::changeEvent(event);
}
