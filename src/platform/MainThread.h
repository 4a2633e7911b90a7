#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QPointer>

#include <functional>
#include <type_traits>
#include <utility>

namespace sablewick {

// Hands work done on another thread back to the main thread, where the models live.
//
// The call is queued on the application object rather than on the receiver: a worker must not
// touch the receiver, which the main thread may be destroying at that moment. Take the QPointer
// on the main thread where the receiver can go while the work runs (a worker that the receiver
// does not wait for); a receiver that waits for its workers before it goes may pass `this`.
//
// `f` takes no argument, or the receiver. It is dropped when the receiver has gone by then, with
// one exception: `f(R*)` given a QPointer runs in any case, with null once the receiver has gone,
// so that work that must end whatever happens (a completion that a caller waits for) still ends.
// Nothing runs when the application object is gone: the process is ending.
template <typename R, typename F>
void postToMain(QPointer<R> receiver, F&& f)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    QMetaObject::invokeMethod(
        application,
        [receiver = std::move(receiver), f = std::forward<F>(f)]() mutable {
            if constexpr (std::is_invocable_v<F&, R*>) {
                std::invoke(f, receiver.data());
            } else {
                if (receiver)
                    std::invoke(f);
            }
        },
        Qt::QueuedConnection);
}

template <typename R, typename F>
requires std::is_base_of_v<QObject, R>
void postToMain(R* receiver, F&& f)
{
    // With a plain pointer, null is never handed over: the function runs only with the receiver.
    postToMain(QPointer<R>(receiver), [f = std::forward<F>(f)](R* alive) mutable {
        if (!alive)
            return;
        if constexpr (std::is_invocable_v<F&, R*>)
            std::invoke(f, alive);
        else
            std::invoke(f);
    });
}

// Replaces a published value and announces it (`changed()`, typically a bound signal) only when
// it changed. Returns whether it changed.
template <typename T, typename Changed>
bool publish(T& field, T value, Changed&& changed)
{
    if (field == value)
        return false;
    field = std::move(value);
    std::invoke(std::forward<Changed>(changed));
    return true;
}

}  // namespace sablewick
