#include "platform/PortalRequest.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace sablewick {
namespace {

TEST(PortalRequestTest, AFailedCallSaysWhatIsMissingOrWhatTheDesktopSaid)
{
    struct Row {
        const char* error;
        const char* expectedPart;
    };
    const Row rows[] = {
        // No portal on the bus, or one without the interface: name what to install.
        {"org.freedesktop.DBus.Error.ServiceUnknown", "install xdg-desktop-portal"},
        {"org.freedesktop.DBus.Error.UnknownInterface", "xdg-desktop-portal-wlr"},
        {"org.freedesktop.DBus.Error.UnknownMethod", "xdg-desktop-portal-gnome"},
        {"org.freedesktop.portal.Error.NotAllowed", "does not allow screen capture: the reason"},
        {"org.freedesktop.DBus.Error.Failed", "the reason"},
    };
    for (const Row& row : rows) {
        const QDBusMessage reply = QDBusMessage::createError(QString::fromLatin1(row.error), QStringLiteral("the reason"));
        const QString text = Portal::failureText(reply);
        EXPECT_TRUE(text.contains(QLatin1String(row.expectedPart))) << row.error << ": " << text.toStdString();
    }
}

TEST(PortalRequestTest, TokensAreNeverReused)
{
    const QString a = Portal::newToken();
    const QString b = Portal::newToken();
    EXPECT_NE(a, b);
    // Tokens become parts of object paths: letters, digits and underscores only.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Za-z0-9_]+$")).match(a).hasMatch());
}

}  // namespace
}  // namespace sablewick
