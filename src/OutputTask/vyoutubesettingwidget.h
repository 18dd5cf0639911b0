#pragma once

// The upload settings of the online page: the program's one upload account
// (kept enciphered in "YoutubeAccountInfo") and the upload metadata of the
// selected output task, written into that task's record at every edit.

#include <QByteArray>
#include <QFrame>
#include <QString>

class CYoutubeVideoInfo;
class QRegularExpressionValidator;
namespace Ui {
class VYoutubeSettingWidget;
}

class VYoutubeSettingWidget : public QFrame
{
    Q_OBJECT
public:
    explicit VYoutubeSettingWidget(QWidget* parent = nullptr);
    ~VYoutubeSettingWidget() override;

    // Binds the record (null: none) and shows it; the caller rebinds before
    // the record goes away.
    void SetYoutubeInfo(CYoutubeVideoInfo* pInfo);
    // Whether the profile shown beside the panel uploads; a ticked box for
    // one that does not is told so.
    void SetProfileUploads(bool bUploads);
    CYoutubeVideoInfo* youtubeInfo() const { return m_pInfo; }
    // Stores the account fields; an empty user name stores nothing.
    void saveAccount();
    void GetCurrentAccountInfo(QString& user, QString& password);
    void Retranslate();
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private slots:
    void on_cbxUpload_toggled(bool checked);
    void on_cbxCategory_currentIndexChanged(int index);
    void on_rbtnPublic_toggled(bool checked);
    void on_rbtnNoPublic_toggled(bool checked);
    void on_rbtnPrivate_toggled(bool checked);
    void on_edtTitle_textEdited(QString text);
    void on_edtKeywords_textEdited(QString text);
    void on_edtDescription_textChanged();
    void on_btnRemoveCurAccount_clicked();

private:
    void ShowNoUploadNote();
    bool m_bProfileUploads = true;
    void initCategory();
    void initAccount();
    void updateInfo();

    Ui::VYoutubeSettingWidget* ui;
    CYoutubeVideoInfo* m_pInfo = nullptr;
    QString m_user;
    QString m_password;
    QByteArray m_key;
    QRegularExpressionValidator* m_pValidator = nullptr;
};
