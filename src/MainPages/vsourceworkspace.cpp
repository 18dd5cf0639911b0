#include "vsourceworkspace.h"

#include "ui_vsourceworkspace.h"

#include "ProjectData/isourcedataitem.h"
#include "Editor/veditorwidget.h"
#include "vresourcelib.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QStackedWidget>

namespace {

// The tab of the media library, beside the editor's page tabs.
constexpr int kLibraryPage = 0;

} // namespace

VSourceWorkSpace::VSourceWorkSpace(QWidget* parent) : QFrame(parent), m_ui(new Ui::VSourceWorkSpace)
{
    m_ui->setupUi(this);
    m_editor = new VEditorWidget(this);
    m_lib = new VResourceLib(this);
    m_stack = new QStackedWidget(this);
    m_stack->addWidget(m_editor);
    m_stack->addWidget(m_lib);
    auto* layout = new QHBoxLayout(m_ui->frmSourceWorkSpace);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_stack);

    m_group = new QButtonGroup(this);
    m_group->setExclusive(true);
    // The editor's tabs carry the numbers of their pages.
    m_group->addButton(m_ui->btnResourcLib, kLibraryPage);
    m_group->addButton(m_ui->btnEffectEditorPage, EDITORPAGE_EFFECTS);
    m_group->addButton(m_ui->btnVolumeEditorPage, EDITORPAGE_VOLUME);
    m_group->addButton(m_ui->btn3DEditorPage, EDITORPAGE_3D);
    connect(m_group, &QButtonGroup::idClicked, this, &VSourceWorkSpace::slot_CurrentWorkPageChanged);
    slot_CurrentWorkPageChanged(kLibraryPage);

    connect(m_lib, &VResourceLib::signal_MediasLib_importSelected, this,
            &VSourceWorkSpace::slot_MediasLib_importSelected);
    connect(m_lib, &VResourceLib::signal_MeidasSource_RenameFinished, this,
            &VSourceWorkSpace::signal_MeidasSource_RenameFinished);
    connect(m_lib, &VResourceLib::signal_MediasLib_DelSelected, this, &VSourceWorkSpace::signal_MediasLib_DelSelected);
    connect(m_lib, &VResourceLib::signal_MediasLib_itemPlay, this, &VSourceWorkSpace::signal_MediasLib_itemPlay);
    connect(m_lib, &VResourceLib::signal_btnSelectCamcorder_clicked, this,
            &VSourceWorkSpace::signal_showCamcorderWizard);
    connect(m_lib, &VResourceLib::signal_MediasLib_importLibrary, this,
            &VSourceWorkSpace::signal_MediasLib_importLibrary);
    connect(m_lib, &VResourceLib::signal_MediasLib_exportLibrary, this,
            &VSourceWorkSpace::signal_MediasLib_exportLibrary);
    connect(m_lib, &VResourceLib::signal_missingFilesChanged, this, &VSourceWorkSpace::signal_missingFilesChanged);
    connect(m_editor, &VEditorWidget::signal_editorApplyToAllTimeLineViewClipItems, this,
            &VSourceWorkSpace::signal_editorApplyToAllTimeLineViewClipItems);
    connect(m_editor, &VEditorWidget::signal_editorApplayToCurSelectedClips, this,
            &VSourceWorkSpace::signal_editorApplayToCurSelectedClips);
    connect(m_editor, &VEditorWidget::signal_editorEnableChagned, this, &VSourceWorkSpace::signal_editorEnableChagned);
    connect(this, &VSourceWorkSpace::signal_importSourceLibFinished, m_lib,
            &VResourceLib::slot_importSourceLibFinished);
    connect(this, &VSourceWorkSpace::signal_removeThoseDonotExistMedias, m_lib,
            &VResourceLib::slot_removeThoseDonotExistMedias);
    setEditorEnabled(false);
}

VSourceWorkSpace::~VSourceWorkSpace()
{
    delete m_ui;
}

void VSourceWorkSpace::setSourceData(Fablecut::CSourceData* data)
{
    m_lib->setSourceData(data);
}

void VSourceWorkSpace::refreshData()
{
    m_lib->refreshLibView();
}

bool VSourceWorkSpace::libraryShown() const
{
    return m_stack->currentWidget() == m_lib;
}

void VSourceWorkSpace::slot_CurrentWorkPageChanged(int id)
{
    if (id == kLibraryPage) {
        m_stack->setCurrentWidget(m_lib);
        m_ui->btnResourcLib->setChecked(true);
    } else if (id == EDITORPAGE_EFFECTS || id == EDITORPAGE_VOLUME || id == EDITORPAGE_3D) {
        const auto page = static_cast<EDITORPAGE>(id);
        m_stack->setCurrentWidget(m_editor);
        m_editor->setCurrentEditorPage(page);
        m_editor->setEditorEnabled();
        m_group->button(id)->setChecked(true);
        m_lastEditorPage = page;
    }
}

void VSourceWorkSpace::setEditorEnabled(bool on)
{
    m_ui->btnEffectEditorPage->setEnabled(on);
    m_ui->btnVolumeEditorPage->setEnabled(on);
    m_ui->btn3DEditorPage->setEnabled(on);
    m_ui->btnResourcLib->setEnabled(true);
    if (on && m_pendingEditor) {
        if (libraryShown()) {
            m_stack->setCurrentWidget(m_editor);
            slot_CurrentWorkPageChanged(m_lastEditorPage);
        }
        m_editor->setEditorEnabled();
    } else {
        slot_CurrentWorkPageChanged(kLibraryPage);
        m_stack->setCurrentWidget(m_lib);
    }
    m_pendingEditor = false;
}

void VSourceWorkSpace::slot_MediasLib_importSelected(QStringList paths)
{
    emit signal_MediasLib_importSelected(paths);
}

void VSourceWorkSpace::slot_initEditorSourceDataItemChanged(Fablecut::ISourceDataItem* item)
{
    m_editor->setInitEditorPageSourceDataItem(item);
    setEditorEnabled(item != nullptr);
}

bool VSourceWorkSpace::event(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        m_ui->retranslateUi(this);
    return QFrame::event(event);
}
