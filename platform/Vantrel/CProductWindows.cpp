#include "CProductWindows.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CPlatformWindow::CPlatformWindow(const QString& objectName)
    : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint), m_label(new QLabel(this))
{
    setObjectName(objectName);
    m_label->setObjectName(QStringLiteral("platformLabel"));
    m_label->setWordWrap(true);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setMinimumWidth(320);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addWidget(m_label);
    layout->addWidget(buttons);
}

void CPlatformWindow::ShowText(const QString& text)
{
    m_label->setText(text);
    setWindowTitle(QApplication::applicationName());
    adjustSize();
    show();
    raise();
    activateWindow();
}

QString CPlatformWindow::Text() const
{
    return m_label->text();
}

CProductWindows::~CProductWindows()
{
    for (CPlatformWindow*& window : m_windows) {
        delete window;
        window = nullptr;
    }
}

QWidget* CProductWindows::GetWindow(int index)
{
    return Window(index);
}

CPlatformWindow* CProductWindows::Window(int index)
{
    if (index < 1 || index > 2)
        return nullptr;
    CPlatformWindow*& window = m_windows[index - 1];
    if (!window)
        window = new CPlatformWindow(index == 1 ? QStringLiteral("platformUpdateWindow")
                                                : QStringLiteral("platformNoticeWindow"));
    return window;
}
