#include "vselectcamcorderwidget.h"

#include "AppConfigure/AppConfigDefines.h"
#include "Basilvo.h"
#include "CBaseException.h"
#include "dialogs/VRichMessageBox.h"
#include "Preview/vmpreviewplayer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QListWidgetItem>

void LoadCamcorderPreview(VMPreviewPlayer* player, const QString& path)
{
    QString reason;
    try {
        if (player->SetMediaFile(path))
            return;
        reason = QString::fromUtf8(GetQuentaException()->GetExceptionMsg());
    } catch (const CBaseException& e) {
        reason = QString::fromUtf8(e.GetExceptionMsg());
    } catch (const std::exception& e) {
        reason = QString::fromUtf8(e.what());
    } catch (...) {
        reason = QStringLiteral("Unknown exception");
    }
    QString text = QCoreApplication::translate("VSelectCamcorderWidget", "The video cannot be previewed:\n%1")
                       .arg(QFileInfo(path).fileName());
    if (!reason.isEmpty())
        text += "\n(" + reason + ")";
    ExecPromptMessageBox(text, QDialogButtonBox::Ok, QMessageBox::Warning);
}

VSelectCamcorderWidget::VSelectCamcorderWidget(QWidget* parent) : QWidget(parent)
{
    setupUi(this);
    lstvCamcorder->setFocusPolicy(Qt::NoFocus);
    lstvCamcorder->setSelectionMode(QAbstractItemView::SingleSelection);
    lstvVideoFiles->setFocusPolicy(Qt::NoFocus);
    lstvVideoFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(camcorderPlayer, &VMPreviewPlayer::signal_previewplayer_play, this,
            &VSelectCamcorderWidget::slot_previewplayer_play);
    connect(lstvCamcorder, &QListWidget::itemSelectionChanged, this,
            &VSelectCamcorderWidget::slot_camcorder_itemSelectionChanged);
    connect(lstvVideoFiles, &QListWidget::itemDoubleClicked, this,
            &VSelectCamcorderWidget::slot_videoFiles_itemDoubleClicked);
}

VSelectCamcorderWidget::~VSelectCamcorderWidget() = default;

void VSelectCamcorderWidget::SetAVManager(Moorland::IAVManager* manager)
{
    camcorderPlayer->SetAVManager(manager);
}

void VSelectCamcorderWidget::updateCamcorderData()
{
    camcorderPlayer->Close();
    const QString previous = getSelectedRootPath();
    lstvCamcorder->clear();
    const unsigned int count = detector_ ? detector_->getCamCorderCount() : 0;
    for (unsigned int i = 0; i < count; ++i) {
        const CCamcorderInfo* info = detector_->GetCamCorder(i);
        if (!info)
            continue;
        const QString root = QString::fromUtf8(info->rootPath.c_str());
        auto* item = new QListWidgetItem;
        item->setData(Qt::UserRole, root);
        if (!info->manufacturer.empty()) {
            item->setData(Qt::DisplayRole, QString::fromUtf8(info->manufacturer.c_str()));
            item->setData(Qt::ToolTipRole, QString::fromUtf8(info->volumeName.c_str()) + "      " +
                                               QString::fromUtf8(info->manufacturer.c_str()));
        } else {
            item->setData(Qt::DisplayRole, root);
        }
        lstvCamcorder->addItem(item);
        if (!previous.isNull() && root == previous)
            lstvCamcorder->setCurrentItem(item);
    }
    if (lstvCamcorder->selectedItems().isEmpty())
        lstvCamcorder->setCurrentRow(0);
    updateVideosData();
}

void VSelectCamcorderWidget::updateVideosData()
{
    lstvVideoFiles->clear();
    const QList<QListWidgetItem*> selected = lstvCamcorder->selectedItems();
    if (selected.isEmpty() || !detector_)
        return;
    const CCamcorderInfo* info =
        detector_->GetCamCorderByRootpath(selected.first()->data(Qt::UserRole).toString().toUtf8().constData());
    if (!info)
        return;
    for (const VideoFileStorageInfo& v : info->videoFiles) {
        const QString path = QString::fromUtf8(v.videoPath.c_str());
        auto* item = new QListWidgetItem(QFileInfo(path).fileName());
        item->setData(Qt::UserRole, path);
        lstvVideoFiles->addItem(item);
        if (lstvVideoFiles->count() == 1)
            lstvVideoFiles->setCurrentRow(0);
    }
}

QString VSelectCamcorderWidget::getSelectedRootPath() const
{
    const QList<QListWidgetItem*> selected = lstvCamcorder->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->data(Qt::UserRole).toString();
}

QString VSelectCamcorderWidget::getSelectedName() const
{
    const QList<QListWidgetItem*> selected = lstvCamcorder->selectedItems();
    if (selected.isEmpty())
        return QString();
    const QString name = selected.first()->data(Qt::ToolTipRole).toString();
    return name.isNull() ? QString("") : name;
}

void VSelectCamcorderWidget::ClosePreviewPlayer()
{
    camcorderPlayer->Close();
}

void VSelectCamcorderWidget::ReTranslate()
{
    retranslateUi(this);
}

void VSelectCamcorderWidget::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    if (!visible)
        camcorderPlayer->Close();
}

void VSelectCamcorderWidget::slot_camcorder_itemSelectionChanged()
{
    if (!lstvCamcorder->selectedItems().isEmpty())
        updateVideosData();
}

void VSelectCamcorderWidget::slot_videoFiles_itemDoubleClicked(QListWidgetItem*)
{
    camcorderPlayer->Play();
}

void VSelectCamcorderWidget::slot_previewplayer_play()
{
    const QList<QListWidgetItem*> selected = lstvVideoFiles->selectedItems();
    if (selected.isEmpty())
        return;
    ExecVarAttrInfoMessageBox(STR_APPVARINFO_SHOWINFO_CAMCORDER_PLAY,
                              tr("Playback can be jerky in preview window if source files are large in size. Please "
                                 "wait a second for the program to respond."),
                              QDialogButtonBox::Ok, QMessageBox::Warning);
    LoadCamcorderPreview(camcorderPlayer, selected.first()->data(Qt::UserRole).toString());
}
