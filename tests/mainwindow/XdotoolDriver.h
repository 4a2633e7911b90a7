#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace sablewick::test {

// Drives real windows on the private X server through XTEST, as a user's mouse and keyboard
// would. No window manager runs there: windows are focused directly.
class XdotoolDriver {
public:
    static void run(const QStringList& arguments)
    {
        QProcess p;
        p.start(QStringLiteral("xdotool"), arguments);
        ASSERT_TRUE(p.waitForFinished(10000)) << "xdotool hung";
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    }
    static void clickAt(QPoint global)
    {
        run({"mousemove", "--sync", QString::number(global.x()), QString::number(global.y()), "click", "1"});
    }
    static void click(QWidget* widget)
    {
        ASSERT_TRUE(widget && widget->isVisible());
        clickAt(widget->mapToGlobal(widget->rect().center()));
    }
    static void focus(QWidget* widget)
    {
        run({"windowfocus", "--sync", QString::number(widget->window()->winId())});
    }
    static void type(QWidget* window, const QString& text)
    {
        focus(window);
        run({"type", "--delay", "5", text});
    }
    static void key(QWidget* window, const QString& keys)
    {
        focus(window);
        run({"key", keys});
    }

    // Fails the test and dismisses a modal dialog that has stayed up for `seconds` (no step of the
    // test answered it), so that the test ends instead of waiting inside the dialog's loop until
    // ctest stops it. It watches the dialog, not the clock of the whole test: a test that is slow
    // for another reason (an export under a sanitizer on a busy machine) is bounded by its own
    // waits. The returned timer belongs to the caller (delete it at the end of the test).
    static QTimer* watchdog(int seconds)
    {
        auto* timer = new QTimer;
        struct Watch {
            QPointer<QWidget> dialog;
            QElapsedTimer up;
        };
        auto watch = std::make_shared<Watch>();
        QObject::connect(timer, &QTimer::timeout, [watch, seconds] {
            QWidget* modal = QApplication::activeModalWidget();
            auto* dialog = qobject_cast<QDialog*>(modal);
            if (!dialog || !dialog->isVisible()) {
                watch->dialog = nullptr;
                return;
            }
            if (watch->dialog != dialog) {
                watch->dialog = dialog;
                watch->up.start();
            } else if (watch->up.hasExpired(qint64(seconds) * 1000)) {
                ADD_FAILURE() << "the test was still inside a dialog after its time ran out: "
                              << dialog->metaObject()->className() << " \"" << dialog->windowTitle().toStdString()
                              << "\" stayed up for " << seconds << " s";
                watch->dialog = nullptr;
                dialog->reject();
            }
        });
        timer->start(200);
        return timer;
    }

    // Once a modal window that `matches` is on the screen, runs `act` on it, from inside whatever
    // event loop is turning then (a modal dialog runs its own). Polls every 50 ms for at most 20 s.
    static void whenModal(std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> act)
    {
        auto* timer = new QTimer;
        auto deadline = std::make_shared<int>(400);
        QObject::connect(timer, &QTimer::timeout, [timer, deadline, matches, act] {
            QWidget* modal = QApplication::activeModalWidget();
            // Exposed: mapped by the X server, laid out, and painted once.
            if (modal && modal->isVisible() && modal->windowHandle() && modal->windowHandle()->isExposed()
                && matches(modal)) {
                timer->stop();
                timer->deleteLater();
                QTimer::singleShot(0, [guard = QPointer<QWidget>(modal), act] {
                    if (guard)
                        act(guard);
                });
            } else if (--*deadline == 0) {
                timer->stop();
                timer->deleteLater();
                ADD_FAILURE() << "no matching dialog appeared";
            }
        });
        timer->start(50);
    }
};

}  // namespace sablewick::test
