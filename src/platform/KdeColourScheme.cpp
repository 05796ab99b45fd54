#include "KdeColourScheme.h"

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

namespace KdeColourScheme {

QColor windowText()
{
    const QString path =
        QStandardPaths::locate(QStandardPaths::GenericConfigLocation, QStringLiteral("kdeglobals"));
    if (path.isEmpty())
        return {};
    const QSettings settings(path, QSettings::IniFormat);
    // "ForegroundNormal=252,252,252": red, green, blue (and alpha), 0 to 255 each.
    const QStringList parts = settings.value(QStringLiteral("Colors:Window/ForegroundNormal")).toStringList();
    if (parts.size() != 3 && parts.size() != 4)
        return {};
    int channels[4] = {0, 0, 0, 255};
    for (int i = 0; i < parts.size(); ++i) {
        bool ok = false;
        channels[i] = parts[i].trimmed().toInt(&ok);
        if (!ok || channels[i] < 0 || channels[i] > 255)
            return {};
    }
    return QColor(channels[0], channels[1], channels[2], channels[3]);
}

} // namespace KdeColourScheme
