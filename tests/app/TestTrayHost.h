#pragma once

#include <QDBusAbstractAdaptor>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace sablewick::test {

// A desktop's tray on a private session bus: the StatusNotifier watcher that Qt's tray icons look
// for. The menus of the items it collects are read and clicked through the dbusmenu interface,
// with the bus's own command-line client.
class TestTrayHost final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    explicit TestTrayHost(const QString& busAddress)
        : m_address(busAddress)
        , m_bus(QDBusConnection::connectToBus(busAddress, QStringLiteral("tray-host")))
    {
        m_bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                             QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
        m_bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    }
    ~TestTrayHost() override { QDBusConnection::disconnectFromBus(QStringLiteral("tray-host")); }

    bool isHostRegistered() const { return true; }
    QStringList items() const { return m_items; }
    int protocolVersion() const { return 0; }

    // The labels of the first item's menu, top to bottom, and the id of each; with `property`,
    // that property of each entry too.
    QString menuLayout(const QString& property = {}) const
    {
        return send({"/MenuBar", "com.canonical.dbusmenu.GetLayout", "int32:0", "int32:-1",
                     "array:string:label" + (property.isEmpty() ? QString() : "," + property)});
    }
    // A primary click on the first item's icon, at this point of the screen.
    void activate(int x, int y) const
    {
        send({"/StatusNotifierItem", "org.kde.StatusNotifierItem.Activate", "int32:" + QString::number(x),
              "int32:" + QString::number(y)});
    }
    // Clicks the menu entry with this label; false when the menu has none.
    bool click(const QString& label) const
    {
        // Each entry is a struct opening with its int32 id, followed by its properties.
        const QString layout = menuLayout();
        const int at = layout.indexOf(QStringLiteral("\"") + label + QStringLiteral("\""));
        if (at < 0)
            return false;
        const QRegularExpression id(QStringLiteral("int32 (\\d+)"));
        QRegularExpressionMatch last;
        for (auto it = id.globalMatch(layout.left(at)); it.hasNext();)
            last = it.next();
        if (!last.hasMatch())
            return false;
        send({"/MenuBar", "com.canonical.dbusmenu.Event", "int32:" + last.captured(1), "string:clicked",
              "variant:int32:0", "uint32:0"});
        return true;
    }

public slots:
    void RegisterStatusNotifierItem(const QString& service) { m_items.append(service); }
    void RegisterStatusNotifierHost(const QString&) {}

private:
    QString send(const QStringList& call) const
    {
        if (m_items.isEmpty())
            return {};
        QProcess p;
        p.start(QStringLiteral("dbus-send"), QStringList{"--bus=" + m_address, "--print-reply", "--type=method_call",
                                                         "--dest=" + m_items.first()} + call);
        // The application may call this host meanwhile and wait for its answer: keep answering.
        QDeadlineTimer deadline(10000);
        while (p.state() != QProcess::NotRunning && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            p.waitForFinished(10);
        }
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    QString m_address;
    QDBusConnection m_bus;
    QStringList m_items;
};

}  // namespace sablewick::test
