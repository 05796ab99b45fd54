#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

// Posts one desktop notification; never blocks and never reports failure.
class Notifier
{
public:
    virtual ~Notifier() = default;
    virtual void post(const QString& title, const QString& body) = 0;

    struct Action
    {
        QString key;
        QString title;
    };
    // An urgent notification that stays until the user dismisses it, with buttons for `actions`.
    // `invoked` gets the key of the button pressed, "default" for a click on the notification,
    // or an empty key when it is dismissed. Where notifications carry no actions, a plain one.
    virtual void postUrgent(const QString& title, const QString& body, const QList<Action>& actions,
                            std::function<void(const QString& key)> invoked)
    {
        Q_UNUSED(actions);
        Q_UNUSED(invoked);
        post(title, body);
    }
    // A notification whose action (titled `actionTitle`) opens `link`; where notifications
    // carry no actions, the link is written into the body.
    virtual void postLink(const QString& title, const QString& body, const QString& actionTitle,
                          const QUrl& link)
    {
        Q_UNUSED(actionTitle);
        post(title, body + QLatin1Char('\n') + link.toString());
    }
};
