#include "MenuRenderer.h"

#include <QBuffer>
#include <QColor>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

namespace {

// The 12 x 12 swatch of a timer's colour: a rounded rectangle filled with the colour, or a
// faint neutral fill, with a thin outline. Drawn at twice the size for sharp high-DPI menus.
QIcon drawSwatch(const QString& image)
{
    static const QLatin1String prefix("swatch:");
    if (!image.startsWith(prefix))
        return {};
    const QString spec = image.mid(prefix.size());
    const QPalette palette = QGuiApplication::palette();
    QColor fill = palette.color(QPalette::PlaceholderText);
    fill.setAlphaF(0.2f);
    if (spec != QLatin1String("neutral"))
        fill = QColor::fromString(spec);
    if (!fill.isValid())
        return {};
    QColor outline = palette.color(QPalette::WindowText);
    outline.setAlphaF(0.25f);
    QPixmap pixmap(24, 24);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(outline, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, 11, 11), 3, 3);
    return QIcon(pixmap);
}

// Menus are rebuilt whole after every change; the few distinct swatches are drawn once.
QIcon swatchIcon(const QString& image)
{
    static QHash<QString, QIcon> cache;
    const auto cached = cache.constFind(image);
    if (cached != cache.constEnd())
        return *cached;
    const QIcon icon = drawSwatch(image);
    if (cache.size() < 256)
        cache.insert(image, icon);
    return icon;
}

// QMenu reads "&" as a mnemonic marker: a name like "Tea & toast" must show as typed.
QString literalText(const QString& title)
{
    QString text = title;
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

void fill(QMenu* qmenu, const Menu& menu, const MenuRenderer::Handler& handler)
{
    for (const MenuItem& item : menu.items) {
        if (item.separator) {
            qmenu->addSeparator();
            continue;
        }
        QAction* action = nullptr;
        if (item.submenu) {
            QMenu* sub = qmenu->addMenu(literalText(item.title));
            fill(sub, *item.submenu, handler);
            action = sub->menuAction();
        } else {
            action = qmenu->addAction(literalText(item.title));
            if (!item.action.isEmpty())
                QObject::connect(action, &QAction::triggered, qmenu, [handler, item] { handler(item); });
        }
        action->setEnabled(item.enabled);
        if (item.checkable || item.checked) {
            action->setCheckable(true);
            action->setChecked(item.checked);
        }
        if (!item.image.isEmpty())
            action->setIcon(swatchIcon(item.image));
        if (!item.toolTip.isEmpty())
            action->setToolTip(item.toolTip);
        if (!item.keyEquivalent.isEmpty())
            action->setShortcut(QKeySequence(QStringLiteral("Ctrl+") + item.keyEquivalent.toUpper()));
    }
    qmenu->setToolTipsVisible(true);
}

} // namespace

namespace MenuRenderer {

QMenu* render(const Menu& menu, const Handler& handler, QWidget* parent)
{
    auto* qmenu = new QMenu(parent);
    fill(qmenu, menu, handler);
    return qmenu;
}

void refill(QMenu* qmenu, const Menu& menu, const Handler& handler)
{
    const QList<QMenu*> submenus = qmenu->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly);
    qmenu->clear();
    qDeleteAll(submenus);
    fill(qmenu, menu, handler);
}

QByteArray swatchPng(const QString& image)
{
    static QHash<QString, QByteArray> cache;
    if (const auto cached = cache.constFind(image); cached != cache.constEnd())
        return *cached;
    QByteArray png;
    const QIcon icon = swatchIcon(image);
    if (!icon.isNull()) {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        icon.pixmap(QSize(12, 12), 2.0).toImage().save(&buffer, "PNG");
    }
    if (cache.size() < 256)
        cache.insert(image, png);
    return png;
}

} // namespace MenuRenderer
