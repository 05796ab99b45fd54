#include "TrayIcons.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSvgRenderer>

namespace TrayIcons {

QIcon icon(TrayItem::Icon kind)
{
    const QString path = kind == TrayItem::Icon::Checkmark ? QStringLiteral(":/icons/pellow-checkmark.svg")
                                                           : QStringLiteral(":/icons/pellow-timer.svg");
    const QColor ink = QGuiApplication::palette().color(QPalette::WindowText);
    QSvgRenderer renderer(path);
    QIcon result;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        renderer.render(&p);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(pixmap.rect(), ink);
        p.end();
        result.addPixmap(pixmap);
    }
    return result;
}

} // namespace TrayIcons
