#pragma once

#include "DBusTrayTypes.h"
#include "core/DBusMenuTree.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>

#include <functional>

// The status menu on the session bus as com.canonical.dbusmenu, exported from the menu model.
// Each new menu is a new layout revision with ids of its own, so an event for an item of an
// older revision finds nothing and does nothing.
class DBusMenuExporter final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    struct Handlers
    {
        std::function<void(const MenuItem&)> action;
        std::function<void()> aboutToShow;
    };

    DBusMenuExporter(const QDBusConnection& bus, const QString& path, QObject* parent = nullptr);
    ~DBusMenuExporter() override;

    // A menu equal to the current one keeps its revision and ids.
    void setMenu(const Menu& menu);
    const Menu& menu() const { return m_menu; }
    void setHandlers(Handlers handlers) { m_handlers = std::move(handlers); }
    uint revision() const { return m_revision; }
    QString path() const { return m_path; }

    // The folders holding the icon theme the menu's icon names come from.
    void setIconThemePath(const QStringList& folders) { m_iconThemePath = folders; }

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return m_iconThemePath; }

public slots:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   DBusMenuLayoutItem& layout);
    DBusMenuItemPropertiesList GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const DBusMenuEventList& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    void ItemsPropertiesUpdated(const DBusMenuItemPropertiesList& updatedProps,
                                const DBusMenuItemKeysList& removedProps);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    DBusMenuLayoutItem layoutOf(int id, int depth, const QStringList& names) const;
    // Runs an event; false when its id is not in the current layout.
    bool handleEvent(int id, const QString& eventId);

    QDBusConnection m_bus;
    QString m_path;
    Menu m_menu;
    DBusMenuTree m_tree;
    uint m_revision = 1;
    Handlers m_handlers;
    QStringList m_iconThemePath;
};
