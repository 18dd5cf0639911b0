#include "CAppVariableInfo.h"

#include "AppConfigDefines.h"
#include "Basilvo/Basilvo.h"
#include "Basilvo/QuentaLogger.h"
#include "CBaseException.h"
#include "CHardwareInfo.h"
#include "CPlistSettingsFormat.h"
#include "utility/fileutils.h"
#include "DevUtils/sys_pathutils.h"
#include "sysutils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStringList>
#include <QXmlStreamAttributes>
#include <QXmlStreamReader>

namespace {

const char* const kSourceFile = "CAppVariableInfo";

// Earlier builds kept the settings file as INI text, which holds text only;
// their values come back typed by key: integers, and lists whose single
// element reads back as a string. Only the one-time conversion uses this.
const char* const kIntegerKeys[] = {
    VARIABLE_INFO_H264DECODER_INDEX,
    VARIABLE_INFO_OUTPUTFILEEXIST,
    STR_VARIABLECONFG_NAME_LOSSLESS_OUTPUTMODE,
    STR_APPVARINFO_NAME_MAX_RUN_PROGRESS_COUNT,
    STR_APPVARINFO_NAME_USE_CPU_CORE,
    VARIABLE_INFO_SNAPSHOTWIDTH,
    VARIABLE_INFO_SNAPSHOTHEIGHT,
    STR_APPVARINFO_NAME_TIMELINEVIEW_SCALE_VALUE,
    VARIABLE_INFO_MAINWINDOW_WIDTH,
    VARIABLE_INFO_MAINWINDOW_HEIGHT,
    STR_VARIABLECONFG_NAME_MAINWIN_POS_X,
    STR_VARIABLECONFG_NAME_MAINWIN_POS_Y,
};
const char* const kStringListKeys[] = {
    VARIABLE_INFO_VIDEOLIB_PATHS,
};

bool IsOneOf(const QString& key, const char* const* keys, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (key == QLatin1String(keys[i]))
            return true;
    return false;
}

// The exact texts "true" and "false" are booleans, whatever wrote them.
QVariant BooleanText(const QVariant& value)
{
    if (value.type() == QVariant::String) {
        const QString text = value.toString();
        if (text == QLatin1String("true"))
            return true;
        if (text == QLatin1String("false"))
            return false;
    }
    return value;
}

QVariant LegacyIniValue(const QString& key, QVariant value)
{
    value = BooleanText(value);
    if (IsOneOf(key, kIntegerKeys, sizeof(kIntegerKeys) / sizeof(kIntegerKeys[0])) &&
        value.type() == QVariant::String) {
        bool ok = false;
        const int number = value.toString().toInt(&ok);
        if (ok)
            return number;
    }
    if (IsOneOf(key, kStringListKeys, sizeof(kStringListKeys) / sizeof(kStringListKeys[0]))) {
        if (!value.isValid())
            return QStringList();
        if (value.type() == QVariant::String)
            return QStringList(value.toString());
    }
    return value;
}

// Creates the folder when it is missing. A failure is recorded, never thrown:
// the callers are settings reads without a boundary of their own.
void EnsureFolder(const QString& path, int line)
{
    QuentaBased::CallGuardedVoid(line, kSourceFile, [&]() {
        const QByteArray utf8 = path.toUtf8();
        if (!QuentaBased::dir_exists(utf8.constData()))
            QuentaBased::make_dir(utf8.constData());
    });
}

void LogError(const QString& text)
{
    if (IQuentaLogger* logger = GetQuentaLogger())
        logger->Log(LOG_ERROR, kSourceFile, text.toUtf8().constData(), nullptr, 0);
}

} // namespace

bool CAppVariableInfo::IsOlderIniText(const QByteArray& text)
{
    // Keys and group names as the INI writer escapes them: letters, digits,
    // "_-." and escapes; nothing of a damaged XML file passes for one.
    auto escapedName = [](const QByteArray& name) {
        if (name.isEmpty())
            return false;
        for (const char c : name)
            if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
                  c == '.' || c == '%' || c == '\\'))
                return false;
        return true;
    };
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            if (!line.endsWith(']') || !escapedName(line.mid(1, line.size() - 2)))
                return false;
            continue;
        }
        const int equals = line.indexOf('=');
        if (equals <= 0 || !escapedName(line.left(equals).trimmed()))
            return false;
    }
    return true;
}

void CAppVariableInfo::ConvertOlderSettingsFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return;
    // Saving over a file that could not be read would lose it.
    // Every damaged copy is kept, as the profile files' are: a second one
    // never replaces the first.
    auto setAside = [&path](const QString& reason) {
        const QString aside = KeepFileAside(path);
        if (!aside.isEmpty())
            LogError(QString("Unreadable settings file set aside (%1): %2").arg(reason, aside));
        else
            LogError(QString("Unreadable settings file could not be set aside (%1): %2").arg(reason, path));
    };
    // Only a regular file of sensible size is read: a FIFO, a device or a
    // folder in its place is moved away, never waited on.
    QByteArray text;
    try {
        const std::string bytes =
            QuentaBased::read_stored_file(path.toLocal8Bit().constData(), CPlistSettingsFormat::kMaxFileBytes);
        text = QByteArray(bytes.data(), static_cast<int>(bytes.size()));
    } catch (CBaseException& e) {
        setAside(QString::fromUtf8(e.GetExceptionMsg()));
        return;
    }
    if (text.trimmed().isEmpty())
        return;
    // The format is told by reading the whole file: a property list that
    // does not read whole is damage, not the older INI text.
    QSettings::SettingsMap plist;
    if (CPlistSettingsFormat::ReadText(text, plist))
        return;
    if (!IsOlderIniText(text)) {
        setAside(QStringLiteral("neither a property list nor the older INI text"));
        return;
    }

    QSettings::SettingsMap values;
    {
        QSettings ini(path, QSettings::IniFormat);
        if (ini.status() != QSettings::NoError) {
            setAside(QStringLiteral("INI text that does not read"));
            return;
        }
        for (const QString& key : ini.allKeys())
            values.insert(key, LegacyIniValue(key, ini.value(key)));
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || !CPlistSettingsFormat::Write(out, values) || !out.commit())
        LogError(QString("Could not rewrite the settings file as a property list: %1").arg(path));
}

namespace {

QString ProgramFolder()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace

CAppVariableInfo* CAppVariableInfo::GetInstance()
{
    static CAppVariableInfo pStaticInstance;
    return &pStaticInstance;
}

CAppVariableInfo::CAppVariableInfo() : m_pReader(new QXmlStreamReader)
{
    ReadInfos();
    InitInfos();
}

CAppVariableInfo::~CAppVariableInfo()
{
    if (ExitSyncRequested() && m_nSyncedChanges != m_nChanges)
        Sync();
    delete m_pReader;
}

bool CAppVariableInfo::ExitSyncRequested() const
{
    return m_defaults.value(DEF_XML_BOOL_SYNC_EXIT).toBool();
}

void CAppVariableInfo::StoreValue(const QString& sKey, const QVariant& value)
{
    m_values.insert(sKey, value);
    ++m_nChanges;
}

QString CAppVariableInfo::ShippedText(const QString& sKey) const
{
    return m_defaults.value(sKey).toString();
}

QString CAppVariableInfo::SettingsFilePath()
{
    return CSysPathsEnumerater::EnumSystemPath(SYSPATH_APP_HOME) + QDir::separator() + VARIABLE_INFO_SETTINGS_FILE_NAME;
}

bool CAppVariableInfo::ReadInfos()
{
    QFile file(ProgramFolder() + QDir::separator() + DEF_XML_DEFAULTINFO_NAME + ".xml");
    if (!file.open(QIODevice::ReadOnly))
        return false;

    QXmlStreamAttributes attributes;
    m_pReader->clear();
    m_pReader->setDevice(&file);
    while (!m_pReader->atEnd()) {
        m_pReader->readNext();
        if (m_pReader->isStartElement() && m_pReader->name() == QLatin1String(DEF_XML_DEFAULTINFO_NAME))
            attributes = m_pReader->attributes();
    }
    m_pReader->setDevice(nullptr);
    file.close();

    for (const QXmlStreamAttribute& attribute : qAsConst(attributes)) {
        const QString value = attribute.value().toString();
        m_defaults.insert(attribute.name().toString(), value.isNull() ? QString("") : value);
    }

    CHardwareInfo* hardware = CHardwareInfo::GetInstance();
    const int decoder = static_cast<int>(m_defaults.value(VARIABLE_INFO_H264DECODER_INDEX).toString().toUInt());
    if (hardware->EnableH264Decoder(decoder))
        hardware->SetDefaultDecoder(decoder);

    if (m_defaults.value(VARIABLE_INFO_URL_COLOR).toString().isEmpty())
        m_defaults.insert(VARIABLE_INFO_URL_COLOR, QString("ffffff"));
    return true;
}

void CAppVariableInfo::InitInfos()
{
    const QString path = SettingsFilePath();
    ConvertOlderSettingsFile(path);
    QSettings settings(path, CPlistSettingsFormat::Format());
    const QStringList keys = settings.allKeys();
    for (const QString& key : keys)
        StoreValue(key, BooleanText(settings.value(key)));

    CHardwareInfo* hardware = CHardwareInfo::GetInstance();
    if (m_values.contains(VARIABLE_INFO_H264DECODER_INDEX)) {
        const int decoder = m_values.value(VARIABLE_INFO_H264DECODER_INDEX).toInt();
        if (!hardware->EnableH264Decoder(decoder))
            StoreValue(VARIABLE_INFO_H264DECODER_INDEX, hardware->GetDefaultDecoder());
    }
    if (m_values.contains(VARIABLE_INFO_USEAMDENC))
        StoreValue(VARIABLE_INFO_USEAMDENC,
                   m_values.value(VARIABLE_INFO_USEAMDENC).toBool() && hardware->EnableUseAMDEnc());
    if (m_values.contains(VARIABLE_INFO_USECUDAENC))
        StoreValue(VARIABLE_INFO_USECUDAENC,
                   m_values.value(VARIABLE_INFO_USECUDAENC).toBool() && hardware->EnableUseCUDAEnc());
}

QVariant CAppVariableInfo::GetInfoValue(QString sKey, QVariant fallback)
{
    if (sKey == QLatin1String(VARIABLE_INFO_CURSKIN_PATH)) {
        const QString storeName = GetInfoValue(DEF_XML_STR_SKIN_DIR_NAME, QVariant()).toString();
        const QString skinName = GetInfoValue(VARIABLE_INFO_CURSKIN_NAME, QVariant()).toString();
        QString path = ProgramFolder() + QDir::separator() + storeName + QDir::separator() + skinName;
        if (m_values.value(VARIABLE_INFO_CURSKIN_NAME).toString().isEmpty() ||
            !QuentaBased::dir_exists(path.toUtf8().constData()))
            path = GetInfoDefaultValue(VARIABLE_INFO_CURSKIN_PATH).toString();
        StoreValue(VARIABLE_INFO_CURSKIN_PATH, path);
        return path;
    }

    auto held = m_values.constFind(sKey);
    if (held != m_values.constEnd())
        return held.value();

    if (fallback.isNull()) {
        const QVariant def = GetInfoDefaultValue(sKey);
        if (def.isValid()) {
            StoreValue(sKey, def);
            return def;
        }
    }
    StoreValue(sKey, fallback);
    return fallback;
}

bool CAppVariableInfo::SetInfoValue(QString sKey, QVariant value)
{
    CHardwareInfo* hardware = CHardwareInfo::GetInstance();
    if (sKey == QLatin1String(VARIABLE_INFO_USECUDAENC) && !hardware->EnableUseCUDAEnc())
        return false;
    if (sKey == QLatin1String(VARIABLE_INFO_USEAMDENC) && !hardware->EnableUseAMDEnc())
        return false;
    if (sKey == QLatin1String(VARIABLE_INFO_H264DECODER_INDEX) && !hardware->EnableH264Decoder(value.toInt()))
        return false;

    StoreValue(sKey, value);
    if (sKey == QLatin1String(VARIABLE_INFO_CURSKIN_NAME)) {
        StoreValue(VARIABLE_INFO_CURSKIN_PATH,
                   m_values.value(VARIABLE_INFO_SKINS_STORE_PATH).toString() + QDir::separator() + value.toString());
    } else if (sKey == QLatin1String(VARIABLE_INFO_CURSKIN_PATH)) {
        const std::string name = QuentaBased::extract_file_name(value.toString().toUtf8().constData());
        StoreValue(VARIABLE_INFO_CURSKIN_NAME, QString::fromUtf8(name.c_str()));
    }
    return true;
}

QVariant CAppVariableInfo::GetInfoDefaultValue(QString sKey)
{
    const QString sep = QDir::separator();
    if (sKey == QLatin1String(VARIABLE_INFO_OUTPUTPATH))
        return GetDefaultOutputPath();
    if (sKey == QLatin1String(VARIABLE_INFO_AUDIOREPLACEFILE_PATH))
        return CSysPathsEnumerater::EnumSystemPath(SYSPATH_USER_MUSIC);
    if (sKey == QLatin1String(VARIABLE_INFO_SNAPSHOTSAVEPATH))
        return GetSnapShotDefaultSavePath();
    if (sKey == QLatin1String(VARIABLE_INFO_IMPORTFILE_PATH))
        return CSysPathsEnumerater::EnumSystemPath(SYSPATH_USER_MOVIES);
    if (sKey == QLatin1String(VARIABLE_INFO_SKINS_STORE_PATH)) {
        StoreValue(VARIABLE_INFO_SKINS_STORE_PATH, ProgramFolder() + sep + ShippedText(DEF_XML_STR_SKIN_DIR_NAME));
        return m_values.value(VARIABLE_INFO_SKINS_STORE_PATH);
    }
    if (sKey == QLatin1String(VARIABLE_INFO_CURSKIN_PATH)) {
        StoreValue(VARIABLE_INFO_CURSKIN_NAME, ShippedText(VARIABLE_INFO_CURSKIN_NAME));
        return ProgramFolder() + sep + ShippedText(DEF_XML_STR_SKIN_DIR_NAME) + sep +
               ShippedText(VARIABLE_INFO_CURSKIN_NAME);
    }
    if (sKey == QLatin1String(VARIABLE_INFO_SAMPLEEXAMPLE_PATH))
        return ProgramFolder() + sep + ShippedText(VARIABLE_INFO_SAMPLEEXAMPLE_PATH);
    if (sKey == QLatin1String(VARIABLE_INFO_LAST_LANGUAGE_NAME))
        return QString(FIXED_INFO_DEFAULT_APP_LANGUAGE);
    if (sKey == QLatin1String(VARIABLE_INFO_H264DECODER_INDEX))
        return CHardwareInfo::GetInstance()->GetDefaultDecoder();
    if (sKey == QLatin1String(VARIABLE_INFO_USEAMDENC))
        return CHardwareInfo::GetInstance()->EnableUseAMDEnc();
    if (sKey == QLatin1String(VARIABLE_INFO_USECUDAENC))
        return CHardwareInfo::GetInstance()->EnableUseCUDAEnc();
    if (sKey == QLatin1String(VARIABLE_INFO_VIDEOLIB_PATHS)) {
        const QStringList paths(GetDefaultVideoLibPath());
        StoreValue(VARIABLE_INFO_VIDEOLIB_PATHS, paths);
        return paths;
    }
    const QVariant shipped = m_defaults.value(sKey);
    return shipped.isValid() ? shipped : QVariant();
}

bool CAppVariableInfo::Reset(const QString& sKey)
{
    const QString sep = QDir::separator();
    if (sKey == QLatin1String(VARIABLE_INFO_OUTPUTPATH) || sKey == QLatin1String(VARIABLE_INFO_AUDIOREPLACEFILE_PATH) ||
        sKey == QLatin1String(VARIABLE_INFO_SNAPSHOTSAVEPATH) || sKey == QLatin1String(VARIABLE_INFO_IMPORTFILE_PATH) ||
        sKey == QLatin1String(VARIABLE_INFO_SAMPLEEXAMPLE_PATH) ||
        sKey == QLatin1String(VARIABLE_INFO_LAST_LANGUAGE_NAME) ||
        sKey == QLatin1String(VARIABLE_INFO_H264DECODER_INDEX) || sKey == QLatin1String(VARIABLE_INFO_USEAMDENC) ||
        sKey == QLatin1String(VARIABLE_INFO_USECUDAENC)) {
        StoreValue(sKey, GetInfoDefaultValue(sKey));
        return true;
    }
    if (sKey == QLatin1String(VARIABLE_INFO_CURSKIN_NAME) || sKey == QLatin1String(VARIABLE_INFO_CURSKIN_PATH)) {
        StoreValue(VARIABLE_INFO_CURSKIN_NAME, ShippedText(VARIABLE_INFO_CURSKIN_NAME));
        StoreValue(VARIABLE_INFO_CURSKIN_PATH,
                   ShippedText(VARIABLE_INFO_SKINS_STORE_PATH) + sep + ShippedText(VARIABLE_INFO_CURSKIN_NAME));
        return true;
    }
    if (m_defaults.contains(sKey)) {
        StoreValue(sKey, m_defaults.value(sKey));
        return true;
    }
    return false;
}

void CAppVariableInfo::ResetAll()
{
    const QString sep = QDir::separator();
    const char* const before[] = {VARIABLE_INFO_OUTPUTPATH, VARIABLE_INFO_AUDIOREPLACEFILE_PATH,
                                  VARIABLE_INFO_SNAPSHOTSAVEPATH, VARIABLE_INFO_IMPORTFILE_PATH};
    for (const char* key : before)
        StoreValue(key, GetInfoDefaultValue(key));
    StoreValue(VARIABLE_INFO_CURSKIN_PATH,
               ShippedText(VARIABLE_INFO_SKINS_STORE_PATH) + sep + ShippedText(VARIABLE_INFO_CURSKIN_NAME));
    const char* const after[] = {VARIABLE_INFO_SAMPLEEXAMPLE_PATH, VARIABLE_INFO_LAST_LANGUAGE_NAME,
                                 VARIABLE_INFO_H264DECODER_INDEX, VARIABLE_INFO_USEAMDENC, VARIABLE_INFO_USECUDAENC};
    for (const char* key : after)
        StoreValue(key, GetInfoDefaultValue(key));
}

bool CAppVariableInfo::Sync()
{
    const QString path = SettingsFilePath();
    QSettings::Status status;
    {
        QSettings settings(path, CPlistSettingsFormat::Format());
        for (auto it = m_values.constBegin(); it != m_values.constEnd(); ++it) {
            if (it.key() == QLatin1String(FIXED_INFO_INSTALL_PACKAGE_NAME))
                continue;
            if (it.value().type() == QVariant::Bool)
                settings.setValue(it.key(), it.value().toBool() ? QString("true") : QString("false"));
            else
                settings.setValue(it.key(), it.value());
        }
        // QSettings writes a new file and renames it into place.
        settings.sync();
        status = settings.status();
    }
    if (status != QSettings::NoError) {
        const QString text = QString("Write settings file error (%1): %2")
                                 .arg(status == QSettings::AccessError ? "access" : "format")
                                 .arg(path);
        LogError(text);
        GetQuentaException()->SetException(QB_ERR_FILE_IO, text.toUtf8().constData(), __LINE__, kSourceFile);
        return false;
    }
    // The file holds the upload account: only its owner reads it. Later
    // saves keep the permissions of the file they replace.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_nSyncedChanges = m_nChanges;
    return true;
}

bool CAppVariableInfo::SyncOnExit()
{
    if (!ExitSyncRequested())
        return true;
    return Sync();
}

QString CAppVariableInfo::GetAppHomePath()
{
    return CSysPathsEnumerater::EnumSystemPath(SYSPATH_APP_HOME);
}

QString CAppVariableInfo::GetAppLogPath()
{
    const QString folder = GetAppHomePath() + QDir::separator() + "Log";
    EnsureFolder(folder, __LINE__);
    return folder + QDir::separator() + QCoreApplication::applicationName() + ".log";
}

QString CAppVariableInfo::GetDefaultOutputPath()
{
    const QString folder = CSysPathsEnumerater::EnumSystemPath(SYSPATH_USER_MOVIES) + QDir::separator() +
                           QCoreApplication::applicationName();
    EnsureFolder(folder, __LINE__);
    return folder;
}

QString CAppVariableInfo::GetSnapShotDefaultSavePath()
{
    const QString folder = CSysPathsEnumerater::EnumSystemPath(SYSPATH_USER_PICTURES) + QDir::separator() +
                           QCoreApplication::applicationName();
    EnsureFolder(folder, __LINE__);
    return folder;
}

QString CAppVariableInfo::GetDefaultVideoLibPath()
{
    return GetDefaultOutputPath();
}

void CAppVariableInfo::ResetVideoLibPaths(bool bClear)
{
    QStringList paths;
    if (m_defaults.contains(VARIABLE_INFO_VIDEOLIB_PATHS)) {
        paths = m_defaults.value(VARIABLE_INFO_VIDEOLIB_PATHS).toStringList();
        if (bClear)
            paths.clear();
    }
    const QString path = GetDefaultVideoLibPath();
    const int index = paths.indexOf(path);
    if (index >= 0)
        paths.move(index, 0);
    else
        paths.prepend(path);
    m_defaults.insert(VARIABLE_INFO_VIDEOLIB_PATHS, paths);
}
