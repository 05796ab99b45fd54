#pragma once

#include "core/MenuModel.h"

#include <QByteArray>

#include <functional>

class QMenu;
class QWidget;

// Turns a menu model into a QMenu. Each triggered action hands its item to the handler.
namespace MenuRenderer {

using Handler = std::function<void(const MenuItem&)>;

QMenu* render(const Menu& menu, const Handler& handler, QWidget* parent = nullptr);
// Replaces what a menu holds, also while it is about to be shown.
void refill(QMenu* qmenu, const Menu& menu, const Handler& handler);

// The PNG form of an item image (a colour swatch), for menus exported over the bus.
QByteArray swatchPng(const QString& image);

} // namespace MenuRenderer
