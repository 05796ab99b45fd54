#include "MenuRenderer.h"

#include <QColor>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

namespace {

QIcon swatchIcon(const QString& image)
{
    static const QLatin1String prefix("swatch:");
    if (!image.startsWith(prefix))
        return {};
    const QString spec = image.mid(prefix.size());
    const bool neutral = spec == QLatin1String("neutral");
    const QColor fill = neutral ? QColor(200, 200, 200, 140) : QColor::fromString(spec);
    if (!fill.isValid())
        return {};
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 0, 70), 2));
    p.setBrush(fill);
    p.drawEllipse(QRectF(4, 4, 24, 24));
    return QIcon(pixmap);
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
            QMenu* sub = qmenu->addMenu(item.title);
            fill(sub, *item.submenu, handler);
            action = sub->menuAction();
        } else {
            action = qmenu->addAction(item.title);
            if (!item.action.isEmpty())
                QObject::connect(action, &QAction::triggered, qmenu, [handler, item] { handler(item); });
        }
        action->setEnabled(item.enabled);
        if (item.checked) {
            action->setCheckable(true);
            action->setChecked(true);
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

} // namespace MenuRenderer
