#pragma once

#include <QString>
#include <QUrl>

// Posts one desktop notification; never blocks and never reports failure.
class Notifier
{
public:
    virtual ~Notifier() = default;
    virtual void post(const QString& title, const QString& body) = 0;
    // A notification whose action (titled `actionTitle`) opens `link`; where notifications
    // carry no actions, the link is written into the body.
    virtual void postLink(const QString& title, const QString& body, const QString& actionTitle,
                          const QUrl& link)
    {
        Q_UNUSED(actionTitle);
        post(title, body + QLatin1Char('\n') + link.toString());
    }
};
