#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

// One QApplication for the whole test program (offscreen platform). The
// per-user folders point into a temporary home, so the settings store never
// touches the real one.
class WidgetTestApp : public ::testing::Environment
{
public:
    void SetUp() override
    {
        m_home.reset(new QTemporaryDir());
        qputenv("HOME", QDir(m_home->path()).absolutePath().toUtf8());
        qputenv("XDG_DATA_HOME", (m_home->path() + QStringLiteral("/.local/share")).toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_home->path() + QStringLiteral("/.config")).toUtf8());
        if (!QApplication::instance()) {
            static int argc = 1;
            static char name[] = "widget-test";
            static char* argv[] = {name, nullptr};
            m_app = new QApplication(argc, argv);
        }
    }
    void TearDown() override
    {
        delete m_app;
        m_app = nullptr;
    }

private:
    QApplication* m_app = nullptr;
    std::unique_ptr<QTemporaryDir> m_home;
};

inline ::testing::Environment* const g_widgetTestApp = ::testing::AddGlobalTestEnvironment(new WidgetTestApp);

// Runs `action` on the next modal dialog once the event loop shows it; a
// dialog still open two seconds later is rejected, so a failing test cannot
// hang. Lives on the test's stack; seen() tells whether a dialog appeared.
class ModalDriver
{
public:
    explicit ModalDriver(std::function<void(QDialog*)> action) : m_action(std::move(action))
    {
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            m_seen = true;
            m_poll.stop();
            m_action(dialog);
            m_guard.start(2000);
        });
        m_guard.setSingleShot(true);
        QObject::connect(&m_guard, &QTimer::timeout, [] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                d->reject();
        });
        m_poll.start(5);
    }

    bool seen() const { return m_seen; }

private:
    std::function<void(QDialog*)> m_action;
    QTimer m_poll;
    QTimer m_guard;
    bool m_seen = false;
};
