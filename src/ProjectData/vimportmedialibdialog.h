#pragma once

// The small modal window shown while a media library file loads. The user
// cannot dismiss it: only the load's end closes it (accept()). The skin sets
// its background picture and animation through the two properties.

#include <QDialog>
#include <QPixmap>
#include <QString>

class QLabel;
class QMovie;

namespace Ui {
class VImportMediaLibDialog;
}

class VImportMediaLibDialog : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(QPixmap bgImage READ getBgImage WRITE setBgImage)
    Q_PROPERTY(QString progressMovie READ getProgressMovie WRITE setProgressMovie)
public:
    explicit VImportMediaLibDialog(QWidget* parent);
    ~VImportMediaLibDialog() override;

    void setBgImage(const QPixmap& image);
    QPixmap getBgImage() const { return m_bgImage; }
    // A different file restarts the animation with it; the same one changes nothing.
    void setProgressMovie(QString fileName);
    QString getProgressMovie() const { return m_movieFile; }
    void Retranlate();

    QMovie* movie() const { return m_movie; }

public slots:
    // Escape and close requests do not close this dialog.
    void reject() override;

protected:
    void changeEvent(QEvent* event) override;

private:
    Ui::VImportMediaLibDialog* m_ui;
    QMovie* m_movie;
    QPixmap m_bgImage;
    QString m_movieFile;
};
