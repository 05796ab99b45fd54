#pragma once

#include "core/MenuModel.h"

#include <functional>

class QMenu;
class QWidget;

// Turns a menu model into a QMenu. Each triggered action hands its item to the handler.
namespace MenuRenderer {

using Handler = std::function<void(const MenuItem&)>;

QMenu* render(const Menu& menu, const Handler& handler, QWidget* parent = nullptr);

} // namespace MenuRenderer
