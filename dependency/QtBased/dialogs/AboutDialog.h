#pragma once

#include <QDialog>

class Ui_AboutDialog;

// The About box: version, legal warning, ownership notice and home-page link,
// from the fixed product information. Any mouse press closes it.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    AboutDialog(QWidget* parent, Qt::WindowFlags flags);
    ~AboutDialog() override;

    void ReTranslate();

    // "Version:" and the dotted version as major.minor.patch(build); a version
    // with fewer parts shows the parts it has.
    static QString VersionText(const QString& sVersion);

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    Ui_AboutDialog* m_ui;
};
