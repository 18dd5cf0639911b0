#include "youtubeaccount.h"

#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "Encryption/CMD5Calc.h"
#include "Encryption/Encrypt.h"

#include <QStringList>
#include <QTextCodec>

namespace YoutubeAccount {

namespace {

QString Escape(QString text)
{
    text.replace("\\", "\\\\");
    text.replace("\t", "\\t");
    return text;
}

QString Unescape(const QString& text)
{
    QString plain;
    plain.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == '\\' && i + 1 < text.size()) {
            const QChar next = text.at(++i);
            plain += next == 't' ? QChar('\t') : next;
        } else {
            plain += c;
        }
    }
    return plain;
}

// Accounts stored by earlier builds are Latin-1 bytes; they still read.
QString DecodeBytes(const QByteArray& bytes)
{
    QTextCodec::ConverterState state;
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars > 0 ? QString::fromLatin1(bytes) : text;
}

} // namespace

QByteArray AccountKey()
{
    const QString code = CAppFixedInfo::GetInstance()->GetInfoValue("APPS_PRODUCT_CODE").toString();
    return CMD5Calc().update(code).final().toLatin1();
}

QString Encode(const QString& user, const QString& password, const QByteArray& key)
{
    const QByteArray plain = (Escape(user) + '\t' + Escape(password)).toUtf8();
    const std::string cipher = des_enc(std::string(key.constData(), size_t(key.size())),
                                       std::string(plain.constData(), size_t(plain.size())), true);
    return QString::fromLatin1(cipher.data(), int(cipher.size()));
}

bool Decode(const QString& stored, const QByteArray& key, QString& user, QString& password)
{
    if (stored.isEmpty())
        return false;
    const QByteArray cipher = stored.toLatin1();
    std::string plain = des_enc(std::string(key.constData(), size_t(key.size())),
                                std::string(cipher.constData(), size_t(cipher.size())), false);
    const size_t end = plain.find('\0');
    if (end != std::string::npos)
        plain.resize(end);
    const QStringList parts = DecodeBytes(QByteArray(plain.data(), int(plain.size()))).split('\t', Qt::KeepEmptyParts);
    if (parts.size() != 2)
        return false;
    user = Unescape(parts.at(0));
    password = Unescape(parts.at(1));
    return true;
}

bool HasStoredAccount()
{
    const QString stored = CAppVariableInfo::GetInstance()->GetInfoValue("YoutubeAccountInfo", QVariant()).toString();
    QString user, password;
    return Decode(stored, AccountKey(), user, password) && !user.isEmpty();
}

} // namespace YoutubeAccount
