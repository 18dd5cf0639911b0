#pragma once

// The platform services of libVantrel.so: product configuration, interface
// languages, the update check, the skin of the platform's own windows and the
// platform's quit requests (SIGTERM, SIGINT, SIGHUP). CreateVantrel returns
// the run's one object; Release frees it and everything it handed out.
// Operations keep their slot order: callers rely on it.

#include <QString>
#include <QStringList>
#include <QVariant>

class QWidget;

// Anything whose texts follow the interface language.
class IProductLangItem
{
public:
    virtual void ReTranslate() = 0;

protected:
    virtual ~IProductLangItem() = default;
};

class IProductConfig
{
public:
    enum ProductQuitReason {
        QuitByTerminate = 1, // SIGTERM
        QuitByInterrupt = 2, // SIGINT
        QuitByHangUp = 3     // SIGHUP
    };

    // Items the program hands over; each holds the product-information value
    // of the same name, 107 the program file's path.
    enum ConfigItem {
        ItemBrandKind = 101,
        ItemProductCode = 102,
        ItemProductName = 104,
        ItemVersion = 105,
        ItemProductLang = 106,
        ItemProgramPath = 107,
        ItemHomePageUrl = 108,
        ItemEmailUrl = 109,
        ItemUpdateUrl = 110
    };

    class IConfigCallBack
    {
    public:
        // The platform asks the program to end.
        virtual void QuitApp(ProductQuitReason reason) = 0;
        virtual QWidget* MainWidget() = 0;

    protected:
        virtual ~IConfigCallBack() = default;
    };

    virtual void SetConfigItem(int id, const QVariant& value) = 0;
    virtual void SetConfigCallBack(IConfigCallBack* callBack) = 0;

protected:
    virtual ~IProductConfig() = default;
};

class IProductLanguage
{
public:
    // Items are kept once each, in the order added.
    virtual void AddLangItem(IProductLangItem* item) = 0;
    // Reads the folder's index ("languages.ini": one "code=Display name" line
    // per language, UTF-8) and lists each language whose "fablecut_<code>.qm"
    // loads. False when the folder holds no such language.
    virtual bool LoadLanguages(const QString& folder) = 0;
    // Installs the language's translations (the program's and Qt's own) in
    // place of the previous ones, then calls ReTranslate of every item once.
    // False, with nothing changed, for a code that is not listed.
    virtual bool SetLanguage(const QString& code) = 0;
    virtual QString GetCurLanguage() = 0;
    virtual QStringList GetLanguageCodes() = 0;
    // Display names, same order and length as the codes.
    virtual QStringList GetLanguageNames() = 0;
    // The system's language as a code ("de_DE"); the "C" locale gives "C".
    virtual QString GetSystemLanguage() = 0;

protected:
    virtual ~IProductLanguage() = default;
};

class IProductUpdate
{
public:
    // Asks the address of item 110 for the newest version and tells the user
    // in platform window 1; without an address says that no update service
    // is configured.
    virtual void CheckUpdate(int nFlags, int nReserved) = 0;

protected:
    virtual ~IProductUpdate() = default;
};

class IProductSkin
{
public:
    // The style sheet files (names inside the skin folder) of one window.
    virtual void SetWindowStyleSheets(const QStringList& files, QWidget* window) = 0;
    // The skin folder, and the placeholder that stands for it in the sheets.
    virtual void SetSkinFolder(const QString& folder, const QString& placeholder) = 0;
    // Reads every window's sheets again and applies them.
    virtual void Refresh() = 0;

protected:
    virtual ~IProductSkin() = default;
};

class IProductWindows
{
public:
    // 1 the update window, 2 the notice window; null for other numbers.
    virtual QWidget* GetWindow(int index) = 0;

protected:
    virtual ~IProductWindows() = default;
};

class IVantrel
{
public:
    virtual void Release() = 0;                     // 0
    virtual IProductConfig* GetProductConfig() = 0; // 1
    // Bit 1 listens for the platform's quit requests, bit 2 enables the
    // update check, bit 4 the skin manager. False when a requested service
    // could not be set up.
    virtual bool Initialize(int nServices) = 0;          // 2
    virtual IProductUpdate* GetUpdater() = 0;            // 3
    virtual IProductSkin* GetSkinManager() = 0;          // 4
    virtual IProductLanguage* GetLanguageProvider() = 0; // 5
    virtual IProductWindows* GetPlatformWindows() = 0;   // 6

protected:
    virtual ~IVantrel() = default;
};

extern "C" {
// Needs a QApplication. Never null while memory lasts.
__attribute__((visibility("default"))) IVantrel* CreateVantrel();
}
