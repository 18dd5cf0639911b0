// The GUI program fablecut: product information and settings, the platform
// services, the interface language, the splash screen, then the main window.

#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "IVantrel.h"
#include "mainwindow.h"
#include "startlanguage.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPixmap>
#include <QSplashScreen>
#include <QWindow>

#include <cstdlib>
#include <exception>

namespace {

// Without a compositor-free X11 session a splash that is shown but never
// painted stays blank: wait until the window system exposes it.
void PaintSplash(QApplication& app, QSplashScreen* splash)
{
    splash->show();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 2000) {
        app.processEvents(QEventLoop::AllEvents, 20);
        QWindow* window = splash->windowHandle();
        if (window && window->isExposed())
            break;
    }
    splash->repaint();
    app.processEvents();
}

int Run(QApplication& app)
{
    CAppFixedInfo::GetInstance()->ReadInfos();
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    settings->InitInfos();
    IVantrel* platform = CreateVantrel();
    if (platform) {
        ApplyStartLanguage(platform->GetLanguageProvider(), settings,
                           QDir::toNativeSeparators(QCoreApplication::applicationDirPath()) + QDir::separator() +
                               "language");
    }
    const QString splashPath = QCoreApplication::applicationDirPath() + QDir::separator() +
                               settings->GetInfoDefaultValue("ImageDirName").toString() + "/start.png";
    QPixmap splashImage(splashPath);
    auto* splash = new QSplashScreen(splashImage);
    splash->setWindowFlags(splash->windowFlags() | Qt::WindowStaysOnTopHint);
    PaintSplash(app, splash);

    int result = 1;
    {
        Fablecut::MainWindow window(platform, nullptr);
        splash->close();
        delete splash;
        splash = nullptr;
        if (!window.StartupError().isEmpty()) {
            QMessageBox::warning(nullptr, QObject::tr("Error"), window.StartupError());
            return 1;
        }
        window.run();
        result = QApplication::exec();
    }
    settings->SyncOnExit();
    return result;
}

} // namespace

int main(int argc, char* argv[])
{
    // Window positions are kept only where the window system lets a program
    // place its windows: under Wayland the X11 layer is used when present.
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && qEnvironmentVariableIsSet("DISPLAY") &&
        !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    try {
        return Run(app);
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QObject::tr("Error"), QString::fromLocal8Bit(e.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, QObject::tr("Error"), QObject::tr("The program met an unknown error."));
    }
    return 1;
}
