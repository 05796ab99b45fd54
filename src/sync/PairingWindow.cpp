#include "PairingWindow.h"

#include "QrImage.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* plainLabel(const QString& text, const char* name, QWidget* parent)
{
    // Texts that come from the server are shown as the text they are, never as markup.
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

QUrl PairingWindow::pairingAddress(const Content& content)
{
    QUrl url = content.page;
    url.setFragment(QStringLiteral("pair=") + content.code);
    return url;
}

PairingWindow::PairingWindow(const Content& content)
{
    setWindowTitle(QStringLiteral("Pellow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::NonModal);
    auto* layout = new QVBoxLayout(this);

    QLabel* heading = plainLabel(QStringLiteral("Open this on your phone"), "pairingHeading", this);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    heading->setFont(bold);
    layout->addWidget(heading);

    const QString address = pairingAddress(content).toString(QUrl::FullyEncoded);
    auto* qr = new QLabel(this);
    qr->setObjectName(QStringLiteral("pairingQr"));
    qr->setPixmap(QPixmap::fromImage(qrImage(address, 5)));
    qr->setAlignment(Qt::AlignCenter);
    qr->setAccessibleName(QStringLiteral("QR code of %1").arg(address));
    layout->addWidget(qr);

    QLabel* page = plainLabel(content.page.toString(), "pairingAddress", this);
    page->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    page->setAlignment(Qt::AlignCenter);
    layout->addWidget(page);

    layout->addWidget(plainLabel(QStringLiteral("Scan the code with the phone's camera, or open the address "
                                                "and enter:"),
                                 "pairingHint", this));
    QLabel* code = plainLabel(content.code, "pairingCode", this);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(bold.pointSizeF() * 2);
    mono.setLetterSpacing(QFont::PercentageSpacing, 115);
    code->setFont(mono);
    code->setAlignment(Qt::AlignCenter);
    code->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(code);

    layout->addWidget(plainLabel(QStringLiteral("The code is good for fifteen minutes. After that the two "
                                                "share every timer."),
                                 "pairingExpiry", this));
    if (content.localNetwork) {
        const int port = content.page.port();
        layout->addWidget(plainLabel(
            QStringLiteral("The phone must be on the same network as this computer. Traffic on this network "
                           "is not encrypted. If the phone cannot open the address, allow TCP port %1 in "
                           "this computer's firewall.")
                .arg(port),
            "pairingNetwork", this));
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* copy = buttons->addButton(QStringLiteral("Copy code"), QDialogButtonBox::ActionRole);
    copy->setShortcut(QKeySequence::Copy);
    QPushButton* done = buttons->addButton(QStringLiteral("Done"), QDialogButtonBox::AcceptRole);
    done->setDefault(true);
    connect(copy, &QPushButton::clicked, this, [text = content.code] {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(text);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}
