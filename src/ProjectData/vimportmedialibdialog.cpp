#include "vimportmedialibdialog.h"

#include "ui_vimportmedialibdialog.h"

#include <QEvent>
#include <QMovie>

VImportMediaLibDialog::VImportMediaLibDialog(QWidget* parent)
    : QDialog(parent), m_ui(new Ui::VImportMediaLibDialog), m_movie(new QMovie)
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowModality(Qt::ApplicationModal);
    m_ui->lblProgress->setMovie(m_movie);
    Retranlate();
}

VImportMediaLibDialog::~VImportMediaLibDialog()
{
    delete m_ui;
    delete m_movie;
}

void VImportMediaLibDialog::setBgImage(const QPixmap& image)
{
    m_bgImage = image;
    m_ui->lblBG->setPixmap(image);
}

void VImportMediaLibDialog::setProgressMovie(QString fileName)
{
    if (fileName == m_movieFile)
        return;
    m_movieFile = fileName;
    m_movie->stop();
    m_movie->setFileName(fileName);
    m_movie->start();
}

void VImportMediaLibDialog::Retranlate()
{
    //: 正在导入媒体库...
    m_ui->lblNotice->setText(tr("Importing media Library..."));
}

void VImportMediaLibDialog::reject() {}

void VImportMediaLibDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        Retranlate();
    QDialog::changeEvent(event);
}
