#pragma once

#include "IVantrel.h"

#include <QObject>

#include <memory>

class CProductConfig;
class CProductLanguage;
class CProductSkin;
class CProductUpdate;
class CProductWindows;
class CQuitRequests;

class CVantrel : public QObject, public IVantrel
{
    Q_OBJECT
public:
    CVantrel();
    ~CVantrel() override;

    void Release() override;
    IProductConfig* GetProductConfig() override;
    bool Initialize(int nServices) override;
    IProductUpdate* GetUpdater() override;
    IProductSkin* GetSkinManager() override;
    IProductLanguage* GetLanguageProvider() override;
    IProductWindows* GetPlatformWindows() override;

private slots:
    void slot_QuitRequested(int signalNumber);

private:
    std::unique_ptr<CProductConfig> m_config;
    std::unique_ptr<CProductLanguage> m_language;
    std::unique_ptr<CProductWindows> m_windows;
    std::unique_ptr<CProductSkin> m_skin;
    std::unique_ptr<CProductUpdate> m_updater;
    CQuitRequests* m_quit = nullptr;
};
