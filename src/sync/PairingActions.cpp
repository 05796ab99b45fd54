#include "app/AppDelegate.h"

#include "core/SyncRules.h"
#include "platform/PreferenceStore.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

void AppDelegate::pairWithPhone()
{
    // No token goes with it, also when already paired: a new pairing replaces the old one.
    sendSyncRequest(QStringLiteral("pair"), {}, [this](const SyncReply& reply) { pairingReplied(reply); });
}

void AppDelegate::pairingReplied(const SyncReply& reply)
{
    const std::optional<SyncRules::Pairing> pairing = SyncRules::pairing(reply);
    if (!pairing) {
        postNotice(QStringLiteral("Couldn't reach %1 to start pairing").arg(syncAPI.host()));
        return;
    }
    PreferenceStore& prefs = m_platform.preferences;
    prefs.setString(syncTokenKey, pairing->token);
    prefs.setInt(syncRevKey, 0);
    // Syncing runs before the dialog shows: the server has this list as revision 1 at once.
    pushTimers();
    startSyncPolling();
    rebuildStatusMenu();
    showPairingDialog(pairing->code);
}

void AppDelegate::showPairingDialog(const QString& code)
{
    delete pairingDialog.data();
    auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Pellow"),
                                QStringLiteral("Open this on your phone"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(
        QStringLiteral("Open Pellow on the phone, tap the link button, and enter:\n\n%1\n\nThe code is good "
                       "for fifteen minutes. After that the two share every timer.")
            .arg(code));
    // The code comes from the server: shown as the text it is, never as markup.
    if (auto* informative = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    QPushButton* copy = box->addButton(QStringLiteral("Copy code"), QMessageBox::ActionRole);
    copy->setShortcut(QKeySequence::Copy);
    QPushButton* done = box->addButton(QStringLiteral("Done"), QMessageBox::AcceptRole);
    box->setDefaultButton(done);
    box->setEscapeButton(done);
    QObject::connect(copy, &QPushButton::clicked, box, [code] {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(code);
    });
    // It blocks nothing: the HUD and the tray stay usable while the code is on screen.
    box->setWindowModality(Qt::NonModal);
    pairingDialog = box;
    // Shown without a nested event loop; the tick and the poll keep running while it is open.
    box->show();
    box->raise();
    box->activateWindow();
}

void AppDelegate::unpairPhone()
{
    PreferenceStore& prefs = m_platform.preferences;
    prefs.remove(syncTokenKey);
    prefs.remove(syncRevKey);
    if (syncPoll) {
        m_platform.scheduler.cancel(*syncPoll);
        syncPoll.reset();
    }
    rebuildStatusMenu();
    // A push still waiting finds no token and sends nothing.
    postNotice(QStringLiteral("The phone is no longer syncing"));
}
