#include "Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

AutostartFile::AutostartFile(QString path, QString program)
    : m_path(path.isEmpty() ? defaultPath() : std::move(path)), m_program(std::move(program))
{}

QString AutostartFile::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/app.pellow.Pellow.desktop");
}

QByteArray AutostartFile::entry(const QString& program)
{
    QString quoted = program;
    for (const QChar reserved : {QLatin1Char('\\'), QLatin1Char('"'), QLatin1Char('`'), QLatin1Char('$')})
        quoted.replace(reserved, QStringLiteral("\\") + reserved);
    // The Exec value is itself a string whose backslashes are escaped once more.
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QByteArrayLiteral("[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Pellow\n"
                             "Comment=Timers in the tray\n"
                             "Exec=\"") +
           quoted.toUtf8() +
           QByteArrayLiteral("\"\n"
                             "Icon=pellow-timer\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n");
}

bool AutostartFile::isEnabled() const
{
    return QFileInfo(m_path).isFile();
}

bool AutostartFile::setEnabled(bool on, QString* error)
{
    if (!on) {
        QFile file(m_path);
        if (!file.exists() || file.remove())
            return true;
        *error = file.errorString();
        return false;
    }
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        *error = QStringLiteral("cannot make the folder %1").arg(QFileInfo(m_path).absolutePath());
        return false;
    }
    QSaveFile file(m_path);
    if (file.open(QIODevice::WriteOnly) && file.write(entry(m_program)) >= 0 && file.commit())
        return true;
    *error = file.errorString();
    return false;
}
