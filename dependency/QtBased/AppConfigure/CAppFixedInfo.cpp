#include "CAppFixedInfo.h"

#include "CAppVariableInfo.h"
#include "CPlistSettingsFormat.h"

#include "AppConfigDefines.h"
#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "DevUtils/sys_pathutils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QXmlStreamAttributes>
#include <QXmlStreamReader>

namespace {

const char* const kSourceFile = "CAppFixedInfo";

// The keys a language change reads again, in this order.
const char* const kUrlKeys[] = {
    FIXED_INFO_HOMEPAGEURL,     FIXED_INFO_UPDATEURL,   FIXED_INFO_SUPPORTEMAIL, FIXED_INFO_ORG_HOMEPAGE_URL,
    FIXED_INFO_ONLINE_HELP_URL, FIXED_INFO_ENCODER_URL, FIXED_INFO_DECODER_URL,  FIXED_INFO_DVD_KNOWLEDGE_URL,
};

// Values are held as texts; an attribute without text is the empty text, never a null one.
QString NonNullText(const QStringRef& value)
{
    return value.isEmpty() ? QString("") : value.toString();
}

} // namespace

CAppFixedInfo* CAppFixedInfo::GetInstance()
{
    static CAppFixedInfo instance;
    return &instance;
}

CAppFixedInfo::CAppFixedInfo() : m_pReader(new QXmlStreamReader) {}

CAppFixedInfo::~CAppFixedInfo()
{
    delete m_pReader;
}

QString CAppFixedInfo::ConfigFilePath(const QString& sLanguage) const
{
    return QCoreApplication::applicationDirPath() + QDir::separator() + DEFAULT_STR_RAEDXML_NAME + "." + sLanguage +
           ".xml";
}

bool CAppFixedInfo::ReadInfos()
{
    return QuentaBased::CallGuarded(false, __LINE__, kSourceFile, [&]() {
        QFile file(ConfigFilePath(FIXED_INFO_DEFAULT_APP_LANGUAGE));
        if (!file.open(QIODevice::ReadOnly))
            throw CBaseException(QB_ERR_FILE_IO, "Open appconfig.xml file Error!", __LINE__, kSourceFile);

        // Only the last "AppConfig" element counts; an XML error ends the reading.
        QXmlStreamAttributes attributes;
        m_pReader->clear();
        m_pReader->setDevice(&file);
        m_pReader->readNext();
        while (!m_pReader->atEnd()) {
            if (m_pReader->isStartElement() && m_pReader->name() == QLatin1String(DEFAULT_STR_RAEDXML_NAME))
                attributes = m_pReader->attributes();
            m_pReader->readNext();
        }
        m_pReader->setDevice(nullptr);
        file.close();

        for (const QXmlStreamAttribute& attribute : qAsConst(attributes))
            m_infos.insert(attribute.name().toString(), NonNullText(attribute.value()));
        AfterReadKeyInfos();
        return true;
    });
}

bool CAppFixedInfo::AfterReadKeyInfos()
{
    return QuentaBased::CallGuarded(false, __LINE__, kSourceFile, [&]() {
        QString brand = m_infos.value(FIXED_INFO_BRANDNAME).toString();
        if (!brand.isEmpty())
            brand[0] = brand[0].toUpper();
        m_infos.insert(FIXED_INFO_BRANDNAME, brand.isNull() ? QString("") : brand);
        QCoreApplication::setOrganizationName(m_infos.value(FIXED_INFO_APP_IDENTIFIER).toString());
        QCoreApplication::setApplicationName(m_infos.value(FIXED_INFO_PRODUCTNAME).toString());
        return true;
    });
}

bool CAppFixedInfo::ReadURLInfos(QString sLanguage)
{
    if (sLanguage.isEmpty())
        sLanguage = FIXED_INFO_DEFAULT_APP_LANGUAGE;
    QFile file(ConfigFilePath(sLanguage));
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return false;

    m_pReader->clear();
    m_pReader->setDevice(&file);
    m_pReader->readNext();
    while (!m_pReader->atEnd()) {
        if (m_pReader->isStartElement() && m_pReader->name() == QLatin1String(DEFAULT_STR_RAEDXML_NAME)) {
            const QXmlStreamAttributes attributes = m_pReader->attributes();
            // A key the language's file lacks becomes empty: it must not keep
            // another language's address.
            for (const char* key : kUrlKeys)
                m_infos.insert(key, NonNullText(attributes.value(QLatin1String(key))));
        }
        m_pReader->readNext();
    }
    m_pReader->setDevice(nullptr);
    file.close();
    return true;
}

QVariant CAppFixedInfo::GetInfoValue(const QString& sKey)
{
    return m_infos.value(sKey);
}

void CAppFixedInfo::GetLastUsedLanguage(QString& sLanguage)
{
    const QString path =
        CSysPathsEnumerater::EnumSystemPath(SYSPATH_APP_HOME) + QDir::separator() + VARIABLE_INFO_SETTINGS_FILE_NAME;
    CAppVariableInfo::ConvertOlderSettingsFile(path);
    QSettings settings(path, CPlistSettingsFormat::Format());
    sLanguage = settings.value(VARIABLE_INFO_LAST_LANGUAGE_NAME).toString();
    if (sLanguage.isEmpty()) {
        sLanguage = FIXED_INFO_DEFAULT_APP_LANGUAGE;
        settings.setValue(VARIABLE_INFO_LAST_LANGUAGE_NAME, sLanguage);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            GetQuentaException()->SetException(
                QB_ERR_FILE_IO, ("Write settings file error: " + path).toUtf8().constData(), __LINE__, kSourceFile);
    }
}
