// The program's bus name, on a private session bus: a copy killed a moment
// ago may still hold it when the next one starts, and the new copy must
// have it once the old connection is gone, not run on without it.

#include "app/bus_service.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTest>

#include <cstdlib>
#include <string>

namespace {

// The unique name of the name's owner, "" when nobody owns it.
std::string Owner(const QDBusConnection& bus) {
    return bus.interface()->serviceOwner(QString::fromLatin1(kBusName)).value().toStdString();
}

TEST(BusService, TakesTheNameOnceTheCopyHoldingItHasGone) {
    if (!std::getenv("DRAPEWELL_TEST_BUS"))
        GTEST_SKIP() << "DRAPEWELL_TEST_BUS is not set (runs under scripts/with-dbus)";
    const QString holderName = QStringLiteral("dead-copy");
    {
        QDBusConnection holder =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, holderName);
        ASSERT_TRUE(holder.isConnected());
        ASSERT_TRUE(holder.registerService(QString::fromLatin1(kBusName)));
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected());
    {
        const CBusService service(BusActions{});
        EXPECT_NE(Owner(bus), bus.baseService().toStdString());
        QDBusConnection::disconnectFromBus(holderName);
        // QTRY_COMPARE would return from the test on failure, unseen by gtest.
        for (int waited = 0; Owner(bus) != bus.baseService().toStdString() && waited < 5000;
             waited += 10)
            QTest::qWait(10);
        EXPECT_EQ(Owner(bus), bus.baseService().toStdString());
    }
    // Let go when the program ends.
    EXPECT_EQ(Owner(bus), "");
}

}  // namespace
