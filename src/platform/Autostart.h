#pragma once

#include <QString>

// Whether Pellow opens at login, read from and written to the desktop's autostart folder.
class Autostart
{
public:
    virtual ~Autostart() = default;
    virtual bool isEnabled() const = 0;
    // False, with the reason in `error`, when the entry could not be written or removed.
    virtual bool setEnabled(bool on, QString* error) = 0;
};

// The freedesktop autostart entry $XDG_CONFIG_HOME/autostart/app.pellow.Pellow.desktop.
class AutostartFile final : public Autostart
{
public:
    // `path` empty: the entry in the user's autostart folder. `program`: the binary to start.
    AutostartFile(QString path, QString program);
    static QString defaultPath();
    // The entry's text; the program quoted as a desktop entry's Exec key wants it.
    static QByteArray entry(const QString& program);

    bool isEnabled() const override;
    bool setEnabled(bool on, QString* error) override;

private:
    QString m_path;
    QString m_program;
};
