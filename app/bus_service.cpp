#include "app/bus_service.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

namespace {

// A caller must never wait long on a copy that hangs.
constexpr int kCallTimeoutMs = 3000;

class ControlAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "invalid.drapewell.Drapewell")
public:
    explicit ControlAdaptor(CBusService* service)
        : QDBusAbstractAdaptor(service), service_(service) {}

public slots:
    void Show() { service_->Actions().show(); }

private:
    CBusService* service_;
};

// The desktops' own way to raise a running application.
class ApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit ApplicationAdaptor(CBusService* service)
        : QDBusAbstractAdaptor(service), service_(service) {}

public slots:
    void Activate(const QVariantMap&) { service_->Actions().show(); }
    void Open(const QStringList&, const QVariantMap&) { service_->Actions().show(); }
    void ActivateAction(const QString&, const QVariantList&, const QVariantMap&) {}

private:
    CBusService* service_;
};

}  // namespace

CBusService::CBusService(BusActions actions) : actions_(std::move(actions)) {
    new ControlAdaptor(this);  // owned by this object
    new ApplicationAdaptor(this);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    if (!bus.registerObject(QString::fromLatin1(kBusPath), this, QDBusConnection::ExportAdaptors))
        return;
    // The lock file keeps a second copy from starting; a name held elsewhere
    // all the same (another copy on another machine sharing the home) is not
    // taken over.
    registered_ = bus.registerService(QString::fromLatin1(kBusName));
    if (!registered_)
        bus.unregisterObject(QString::fromLatin1(kBusPath));
}

CBusService::~CBusService() {
    if (!registered_)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(QString::fromLatin1(kBusPath));
    bus.unregisterService(QString::fromLatin1(kBusName));
}

bool AskRunningCopyToShow() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kBusName), QString::fromLatin1(kBusPath),
                                       QString::fromLatin1(kBusInterface), QStringLiteral("Show"));
    // QDBus::Block waits without running an event loop: nothing else of this
    // process runs meanwhile.
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

#include "bus_service.moc"
