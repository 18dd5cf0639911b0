#pragma once

#include <gtest/gtest.h>

#include <QApplication>

// One QApplication for the whole test program (offscreen platform).
class WidgetTestApp : public ::testing::Environment
{
public:
    void SetUp() override
    {
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
};

inline ::testing::Environment* const g_widgetTestApp =
    ::testing::AddGlobalTestEnvironment(new WidgetTestApp);
