#include "app/bus_service.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QTimer>
#include <QVariantMap>

namespace {

// A caller must never wait long on a copy that hangs.
constexpr int kCallTimeoutMs = 3000;

class ControlAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "invalid.drapewell.Drapewell")
    Q_PROPERTY(QStringList CurrentPictures READ CurrentPictures)
    Q_PROPERTY(bool Paused READ Paused)
    Q_PROPERTY(int PictureCount READ PictureCount)
public:
    explicit ControlAdaptor(CBusService* service)
        : QDBusAbstractAdaptor(service), service_(service) {}

    QStringList CurrentPictures() const {
        return Actions().currentPictures ? Actions().currentPictures() : QStringList();
    }
    bool Paused() const { return Actions().paused && Actions().paused(); }
    int PictureCount() const { return Actions().pictureCount ? Actions().pictureCount() : 0; }

public slots:
    void Show() { Call(Actions().show); }
    // Nothing to go on to (the folder was deleted or emptied): the caller
    // hears why instead of a success that changed nothing.
    void Next(const QDBusMessage& call) {
        if (Actions().pictureCount && PictureCount() == 0) {
            Refuse(call, "no pictures in the picture folder");
            return;
        }
        Call(Actions().next);
    }
    void Previous() { Call(Actions().previous); }
    void Pause() { SetPaused(true); }
    void Resume() { SetPaused(false); }
    void TogglePause() { SetPaused(!Paused()); }
    // The call itself comes last: a refusal answers with an error of ours.
    void SetWallpaper(const QString& path, const QDBusMessage& call) {
        std::string why = "this copy cannot change the wallpaper";
        if (Actions().setWallpaper && Actions().setWallpaper(path.toStdString(), why))
            return;
        Refuse(call, why);
    }
    void Quit() {
        // The answer leaves when this returns; the end comes after it, so
        // the caller hears that it was done.
        QTimer::singleShot(0, service_, [service = service_] {
            if (service->Actions().quit)
                service->Actions().quit();
        });
    }

signals:
    void PictureChanged(const QStringList& pictures);

private:
    const BusActions& Actions() const { return service_->Actions(); }
    static void Refuse(const QDBusMessage& call, const std::string& why) {
        call.setDelayedReply(true);
        QDBusConnection::sessionBus().send(call.createErrorReply(
            QString::fromLatin1(kBusErrorRefused), QString::fromStdString(why)));
    }
    static void Call(const std::function<void()>& action) {
        if (action)
            action();
    }
    void SetPaused(bool paused) {
        if (Actions().setPaused)
            Actions().setPaused(paused);
    }

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
    void Activate(const QVariantMap&) { Show(); }
    void Open(const QStringList&, const QVariantMap&) { Show(); }
    void ActivateAction(const QString&, const QVariantList&, const QVariantMap&) {}

private:
    void Show() {
        if (service_->Actions().show)
            service_->Actions().show();
    }

    CBusService* service_;
};

}  // namespace

CBusService::CBusService(BusActions actions) : actions_(std::move(actions)) {
    control_ = new ControlAdaptor(this);  // owned by this object
    new ApplicationAdaptor(this);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    if (!bus.registerObject(QString::fromLatin1(kBusPath), this, QDBusConnection::ExportAdaptors))
        return;
    // The lock file keeps a second copy from starting, but a copy killed a
    // moment ago may still own the name until the bus sees its connection
    // close: the name is queued for, and comes to us then. A name held all
    // the same by a live owner (another copy on another machine sharing the
    // home) is not taken over.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(QString::fromLatin1(kBusName),
                                         QDBusConnectionInterface::QueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    registered_ =
        reply.isValid() && reply.value() != QDBusConnectionInterface::ServiceNotRegistered;
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

void CBusService::NotifyPictureChanged() {
    if (!registered_)
        return;
    auto* control = static_cast<ControlAdaptor*>(control_);
    const QStringList pictures = control->CurrentPictures();
    emit control->PictureChanged(pictures);
    EmitPropertyChanged("CurrentPictures", pictures);
}

void CBusService::NotifyPausedChanged() {
    if (registered_)
        EmitPropertyChanged("Paused", static_cast<ControlAdaptor*>(control_)->Paused());
}

void CBusService::NotifyPictureCountChanged() {
    if (registered_)
        EmitPropertyChanged("PictureCount", static_cast<ControlAdaptor*>(control_)->PictureCount());
}

void CBusService::EmitPropertyChanged(const char* name, const QVariant& value) {
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kBusPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kBusInterface) << QVariantMap{{QString::fromLatin1(name), value}}
           << QStringList();
    QDBusConnection::sessionBus().send(signal);
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
