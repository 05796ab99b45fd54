#pragma once

#include <QDialog>
#include <QUrl>

// The window that pairs a phone: the page's address as a QR code that carries the code (so a
// scan pairs at once), the address, and the code, large, for typing. Non-modal: nothing else in
// Pellow waits for it; Escape or "Done" closes it.
class PairingWindow final : public QDialog
{
    Q_OBJECT

public:
    struct Content
    {
        QUrl page; // the phone page's address
        QString code;
        bool localNetwork = false; // served by Pellow itself: say what the network needs
    };

    explicit PairingWindow(const Content& content);

    // The address with the code in its fragment, as the QR code carries it.
    static QUrl pairingAddress(const Content& content);
};
