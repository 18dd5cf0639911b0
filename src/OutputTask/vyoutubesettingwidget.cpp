#include "vyoutubesettingwidget.h"
#include "ui_vyoutubesettingwidget.h"

#include "AppConfigure/CAppVariableInfo.h"
#include "CYoutubeVideoInfo.h"
#include "youtubeaccount.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTimer>

namespace {
// The category keys, by YoutubeVideoCategory value 1 to 32.
const char* const kCategoryKeys[32] = {
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Film"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Autos"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Music"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Animals"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Sports"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Travel"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Shortmov"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Videoblog"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Games"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Comedy"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "People"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "News"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Entertainment"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Education"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Howto"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Nonprofit"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Tech"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Movies_Anime_animation"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Movies"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Movies_Comedy"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Movies_Documentary"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Movies_Action_adventure"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Movies_Classics"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Movies_Foreign"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Movies_Horror"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Movies_Drama"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Movies_Family"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Movies_Shorts"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Shows"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Movies_Sci_fi_fantasy"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Movies_Thriller"),
    QT_TRANSLATE_NOOP("VYoutubeSettingWidget", "Trailers"),
};
const char* const kAccountKey = "YoutubeAccountInfo";
} // namespace

VYoutubeSettingWidget::VYoutubeSettingWidget(QWidget* parent) : QFrame(parent), ui(new Ui::VYoutubeSettingWidget)
{
    ui->setupUi(this);
    initCategory();
    // The longest category name would otherwise set the panel's, and so the
    // output page's, narrowest width; the open list shows names whole.
    ui->cbxCategory->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ui->cbxCategory->setMinimumContentsLength(8);
    m_pValidator = new QRegularExpressionValidator(QRegularExpression("^[^<>]+$"), this);
    ui->edtTitle->setValidator(m_pValidator);
    ui->edtKeywords->setValidator(m_pValidator);
    ui->edtTitle->installEventFilter(this);
    ui->edtKeywords->installEventFilter(this);
    ui->edtDescription->installEventFilter(this);
    initAccount();
    ui->rbtnPublic->setChecked(true);
    // Uploading is offered ticked only when there is an account to log in with.
    ui->cbxUpload->setChecked(!ui->edtYoutubeUserName->text().isEmpty());
    on_cbxUpload_toggled(ui->cbxUpload->isChecked());
    Retranslate();
}

VYoutubeSettingWidget::~VYoutubeSettingWidget()
{
    saveAccount();
    delete ui;
}

void VYoutubeSettingWidget::initCategory()
{
    for (int value = 1; value <= 32; ++value)
        ui->cbxCategory->addItem(QIcon(), QString(), value);
}

void VYoutubeSettingWidget::initAccount()
{
    m_key = YoutubeAccount::AccountKey();
    const QString stored = CAppVariableInfo::GetInstance()->GetInfoValue(kAccountKey, QVariant()).toString();
    YoutubeAccount::Decode(stored, m_key, m_user, m_password);
    ui->edtYoutubeUserName->setText(m_user);
    ui->edtYoutubePassWord->setText(m_password);
}

void VYoutubeSettingWidget::saveAccount()
{
    if (ui->edtYoutubeUserName->text().isEmpty())
        return;
    m_user = ui->edtYoutubeUserName->text();
    m_password = ui->edtYoutubePassWord->text();
    CAppVariableInfo::GetInstance()->SetInfoValue(kAccountKey, YoutubeAccount::Encode(m_user, m_password, m_key));
}

void VYoutubeSettingWidget::GetCurrentAccountInfo(QString& user, QString& password)
{
    user = ui->edtYoutubeUserName->text();
    password = ui->edtYoutubePassWord->text();
    saveAccount();
}

void VYoutubeSettingWidget::SetYoutubeInfo(CYoutubeVideoInfo* pInfo)
{
    if (pInfo == m_pInfo)
        return;
    m_pInfo = pInfo;
    updateInfo();
}

void VYoutubeSettingWidget::updateInfo()
{
    if (!m_pInfo) {
        ui->edtTitle->clear();
        ui->edtKeywords->clear();
        ui->cbxCategory->setCurrentIndex(0);
        ui->edtDescription->clear();
        ui->rbtnPublic->setChecked(true);
        ui->cbxUpload->setChecked(!ui->edtYoutubeUserName->text().isEmpty());
        return;
    }
    ui->edtTitle->setText(m_pInfo->GetTitle());
    ui->edtKeywords->setText(m_pInfo->GetKeywords());
    ui->cbxCategory->setCurrentIndex(ui->cbxCategory->findData(int(m_pInfo->GetCategory())));
    ui->edtDescription->setPlainText(m_pInfo->GetDescription());
    switch (m_pInfo->GetAccessType()) {
    case YOUTUBE_ACCESS_PRIVATE: ui->rbtnPrivate->setChecked(true); break;
    case YOUTUBE_ACCESS_NOT_LISTED: ui->rbtnNoPublic->setChecked(true); break;
    case YOUTUBE_ACCESS_PUBLIC: ui->rbtnPublic->setChecked(true); break;
    }
    ui->cbxUpload->setChecked(m_pInfo->GetEnableUpload());
}

void VYoutubeSettingWidget::on_cbxUpload_toggled(bool checked)
{
    ui->frmAccount->setEnabled(checked);
    ui->frmYoutubeInfo->setEnabled(checked);
    if (m_pInfo)
        m_pInfo->SetEnableUpload(checked);
    ShowNoUploadNote();
}

void VYoutubeSettingWidget::SetProfileUploads(bool bUploads)
{
    m_bProfileUploads = bUploads;
    ShowNoUploadNote();
}

void VYoutubeSettingWidget::ShowNoUploadNote()
{
    ui->lblNoUpload->setVisible(!m_bProfileUploads && ui->cbxUpload->isChecked());
}

void VYoutubeSettingWidget::on_cbxCategory_currentIndexChanged(int index)
{
    if (m_pInfo && index >= 0)
        m_pInfo->SetCategory(YoutubeVideoCategory(ui->cbxCategory->itemData(index).toInt()));
}

void VYoutubeSettingWidget::on_rbtnPublic_toggled(bool checked)
{
    if (m_pInfo && checked)
        m_pInfo->SetAccessType(YOUTUBE_ACCESS_PUBLIC);
}

void VYoutubeSettingWidget::on_rbtnNoPublic_toggled(bool checked)
{
    if (m_pInfo && checked)
        m_pInfo->SetAccessType(YOUTUBE_ACCESS_NOT_LISTED);
}

void VYoutubeSettingWidget::on_rbtnPrivate_toggled(bool checked)
{
    if (m_pInfo && checked)
        m_pInfo->SetAccessType(YOUTUBE_ACCESS_PRIVATE);
}

void VYoutubeSettingWidget::on_edtTitle_textEdited(QString text)
{
    if (m_pInfo)
        m_pInfo->SetTitle(text);
}

void VYoutubeSettingWidget::on_edtKeywords_textEdited(QString text)
{
    if (m_pInfo)
        m_pInfo->SetKeywords(text);
}

void VYoutubeSettingWidget::on_edtDescription_textChanged()
{
    if (!m_pInfo)
        return;
    QString text = ui->edtDescription->toPlainText();
    text.remove('<');
    text.remove('>');
    m_pInfo->SetDescription(text);
}

void VYoutubeSettingWidget::on_btnRemoveCurAccount_clicked()
{
    ui->edtYoutubePassWord->clear();
    ui->edtYoutubeUserName->clear();
    // Removing the account forgets the stored one too, so it is not loaded
    // again at the next start or used by the next upload.
    m_user.clear();
    m_password.clear();
    CAppVariableInfo::GetInstance()->SetInfoValue(kAccountKey, QString());
}

bool VYoutubeSettingWidget::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == ui->edtTitle || watched == ui->edtKeywords || watched == ui->edtDescription) {
        if (e->type() == QEvent::FocusIn) {
            QTimer::singleShot(0, watched, SLOT(selectAll()));
        } else if (e->type() == QEvent::FocusOut && m_pInfo) {
            if (watched == ui->edtTitle && ui->edtTitle->text().isEmpty())
                ui->edtTitle->setText(m_pInfo->GetTitle());
            else if (watched == ui->edtKeywords && ui->edtKeywords->text().isEmpty())
                ui->edtKeywords->setText(m_pInfo->GetKeywords());
            else if (watched == ui->edtDescription && ui->edtDescription->toPlainText().isEmpty())
                ui->edtDescription->setPlainText(m_pInfo->GetDescription());
        }
    }
    return QFrame::eventFilter(watched, e);
}

bool VYoutubeSettingWidget::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        Retranslate();
    return QFrame::event(e);
}

void VYoutubeSettingWidget::Retranslate()
{
    ui->retranslateUi(this);
    for (int value = 1; value <= 32; ++value) {
        const int index = ui->cbxCategory->findData(value);
        if (index >= 0)
            ui->cbxCategory->setItemText(index, tr(kCategoryKeys[value - 1]));
    }
    QAbstractItemView* list = ui->cbxCategory->view();
    list->setMinimumWidth(list->sizeHintForColumn(0) + 24);
}
