#pragma once

// The application object of the editor tests and a media clip to edit.

#include "AppConfigure/CAppVariableInfo.h"
#include "AppConfigure/AppConfigDefines.h"
#include "ProjectData/cmediasourceitem.h"

#include <QApplication>
#include <QDir>

#include <memory>

namespace EditorTest {

inline QApplication* App()
{
    static int argc = 1;
    static char name[] = "editor_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return app;
}

// Points the current skin at the build's default skin, which holds the
// effect icons made at build time.
inline void UseBuildSkin()
{
    App();
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    const QString store = QDir(QCoreApplication::applicationDirPath()).relativeFilePath(FABLECUT_BIN_DIR "/skins");
    settings->SetInfoValue(DEF_XML_STR_SKIN_DIR_NAME, store);
    settings->SetInfoValue(VARIABLE_INFO_CURSKIN_NAME, "default");
}

inline std::unique_ptr<Fablecut::CMediaSourceItem> Clip(const QString& name = "clip one")
{
    auto clip = std::make_unique<Fablecut::CMediaSourceItem>();
    clip->setName(name);
    return clip;
}

} // namespace EditorTest
