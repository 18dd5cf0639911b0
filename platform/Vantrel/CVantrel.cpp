#include "CVantrel.h"

#include "CProductConfig.h"
#include "CProductLanguage.h"
#include "CProductSkin.h"
#include "CProductUpdate.h"
#include "CProductWindows.h"
#include "CQuitRequests.h"

#include <csignal>
#include <new>

CVantrel::CVantrel() : m_config(new CProductConfig), m_language(new CProductLanguage), m_windows(new CProductWindows) {}

CVantrel::~CVantrel()
{
    delete m_quit;
    m_updater.reset();
    m_skin.reset();
}

void CVantrel::Release()
{
    delete this;
}

IProductConfig* CVantrel::GetProductConfig()
{
    return m_config.get();
}

bool CVantrel::Initialize(int nServices)
{
    bool ok = true;
    if (nServices & 1) {
        if (!m_quit) {
            m_quit = new CQuitRequests(this);
            connect(m_quit, &CQuitRequests::signal_QuitRequested, this, &CVantrel::slot_QuitRequested);
        }
        ok = m_quit->Install() && ok;
    }
    if ((nServices & 2) && !m_updater)
        m_updater.reset(new CProductUpdate(m_config.get(), m_windows.get()));
    if ((nServices & 4) && !m_skin)
        m_skin.reset(new CProductSkin);
    return ok;
}

IProductUpdate* CVantrel::GetUpdater()
{
    return m_updater.get();
}

IProductSkin* CVantrel::GetSkinManager()
{
    return m_skin.get();
}

IProductLanguage* CVantrel::GetLanguageProvider()
{
    return m_language.get();
}

IProductWindows* CVantrel::GetPlatformWindows()
{
    return m_windows.get();
}

void CVantrel::slot_QuitRequested(int signalNumber)
{
    IProductConfig::IConfigCallBack* callBack = m_config->CallBack();
    if (!callBack)
        return;
    IProductConfig::ProductQuitReason reason = IProductConfig::QuitByTerminate;
    if (signalNumber == SIGINT)
        reason = IProductConfig::QuitByInterrupt;
    else if (signalNumber == SIGHUP)
        reason = IProductConfig::QuitByHangUp;
    callBack->QuitApp(reason);
}

extern "C" IVantrel* CreateVantrel()
{
    try {
        return new CVantrel;
    } catch (...) {
        return nullptr;
    }
}
