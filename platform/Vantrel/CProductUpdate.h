#pragma once

#include "IVantrel.h"

#include <QObject>

class CProductConfig;
class CProductWindows;
class QNetworkAccessManager;

// Asks the update address for the newest version: the first line of the
// answer is a dotted version, compared with the product's own.
class CProductUpdate : public QObject, public IProductUpdate
{
    Q_OBJECT
public:
    CProductUpdate(CProductConfig* config, CProductWindows* windows);
    void CheckUpdate(int nFlags, int nReserved) override;

    // -1, 0 or 1 as a is older than, equal to or newer than b, number by number.
    static int CompareVersions(const QString& a, const QString& b);
    // What the update window says for an answer (empty reply = failure text).
    static QString AnswerText(const QString& ownVersion, const QString& reply, const QString& error);

private:
    CProductConfig* m_config;
    CProductWindows* m_windows;
    QNetworkAccessManager* m_network = nullptr;
};
