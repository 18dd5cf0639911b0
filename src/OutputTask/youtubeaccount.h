#pragma once

// The one stored upload account, the setting "YoutubeAccountInfo": user name,
// a tab and the password, as UTF-8 bytes, enciphered with des_enc under the
// MD5 digest of the product code, one character per cipher byte. A backslash
// or tab inside the name or password is escaped ("\\", "\t"), so every name
// and password comes back exactly as it was typed.

#include <QByteArray>
#include <QString>

namespace YoutubeAccount {

// The MD5 digest (32 lowercase hexadecimal digits) of "APPS_PRODUCT_CODE".
QByteArray AccountKey();

QString Encode(const QString& user, const QString& password, const QByteArray& key);

// False, leaving user and password alone, when the text does not decipher
// into exactly a user name and a password. An empty text holds no account.
bool Decode(const QString& stored, const QByteArray& key, QString& user, QString& password);

// Whether the setting "YoutubeAccountInfo" holds an account with a user name.
bool HasStoredAccount();

} // namespace YoutubeAccount
