#include "CProductUpdate.h"

#include "CProductConfig.h"
#include "CProductWindows.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

const int kTimeoutMs = 12000;

} // namespace

CProductUpdate::CProductUpdate(CProductConfig* config, CProductWindows* windows) : m_config(config), m_windows(windows)
{}

int CProductUpdate::CompareVersions(const QString& a, const QString& b)
{
    const QStringList pa = a.trimmed().split('.');
    const QStringList pb = b.trimmed().split('.');
    for (int i = 0; i < qMax(pa.size(), pb.size()); ++i) {
        const qlonglong na = i < pa.size() ? pa[i].toLongLong() : 0;
        const qlonglong nb = i < pb.size() ? pb[i].toLongLong() : 0;
        if (na != nb)
            return na < nb ? -1 : 1;
    }
    return 0;
}

QString CProductUpdate::AnswerText(const QString& ownVersion, const QString& reply, const QString& error)
{
    if (!error.isEmpty())
        return QCoreApplication::translate("CProductUpdate", "The update check failed: %1").arg(error);
    const QString newest = reply.section('\n', 0, 0).trimmed();
    bool numeric = !newest.isEmpty();
    for (const QString& part : newest.split('.')) {
        bool ok = false;
        part.toLongLong(&ok);
        numeric = numeric && ok;
    }
    if (!numeric)
        return QCoreApplication::translate("CProductUpdate",
                                           "The update check failed: the update service gave no version.");
    if (CompareVersions(newest, ownVersion) > 0)
        return QCoreApplication::translate("CProductUpdate", "Version %1 is available; this is version %2.")
            .arg(newest, ownVersion);
    return QCoreApplication::translate("CProductUpdate", "This is the newest version (%1).").arg(ownVersion);
}

void CProductUpdate::CheckUpdate(int, int)
{
    CPlatformWindow* window = m_windows->Window(1);
    const QString address = m_config->ConfigItem(IProductConfig::ItemUpdateUrl).toString().trimmed();
    const QString own = m_config->ConfigItem(IProductConfig::ItemVersion).toString();
    if (address.isEmpty()) {
        window->ShowText(
            QCoreApplication::translate("CProductUpdate", "No update service is configured for this program."));
        return;
    }
    const QUrl url(address);
    if (!url.isValid() || url.scheme().isEmpty()) {
        window->ShowText(AnswerText(own, QString(),
                                    QCoreApplication::translate("CProductUpdate", "the update address is not valid.")));
        return;
    }
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    window->ShowText(QCoreApplication::translate("CProductUpdate", "Checking for updates..."));
    QNetworkReply* reply = m_network->get(QNetworkRequest(url));
    auto* watchdog = new QTimer(reply);
    watchdog->setSingleShot(true);
    connect(watchdog, &QTimer::timeout, reply, &QNetworkReply::abort);
    watchdog->start(kTimeoutMs);
    connect(reply, &QNetworkReply::finished, this, [this, reply, own] {
        const QString error = reply->error() == QNetworkReply::NoError ? QString() : reply->errorString();
        const QString body = error.isEmpty() ? QString::fromUtf8(reply->read(4096)) : QString();
        m_windows->Window(1)->ShowText(AnswerText(own, body, error));
        reply->deleteLater();
    });
}
